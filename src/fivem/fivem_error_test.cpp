#include "fivem/fivem_error.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace vantiro {
namespace {

TEST(FiveMErrorCode, EveryErrorHasItsOwnFixedAsciiCode) {
  struct Case {
    FiveMError error;
    std::string_view code;
  };
  const Case cases[] = {
      {FiveMError::none, ""},
      {FiveMError::bad_request, "bad_request"},
      {FiveMError::busy, "busy"},
      {FiveMError::invalid_resource_name, "invalid_resource_name"},
      {FiveMError::no_files, "no_files"},
      {FiveMError::too_many_files, "too_many_files"},
      {FiveMError::invalid_path, "invalid_path"},
      {FiveMError::too_large, "too_large"},
      {FiveMError::bad_base64, "bad_base64"},
      {FiveMError::duplicate_path, "duplicate_path"},
      {FiveMError::missing_manifest, "missing_manifest"},
      {FiveMError::no_folder, "no_folder"},
      {FiveMError::folder_missing, "folder_missing"},
      {FiveMError::reparse_point, "reparse_point"},
      {FiveMError::path_conflict, "path_conflict"},
      {FiveMError::outside_resource, "outside_resource"},
      {FiveMError::write_failed, "write_failed"},
      {FiveMError::cancelled, "cancelled"},
      {FiveMError::invalid_folder, "invalid_folder"},
      {FiveMError::failed, "failed"},
  };
  std::set<std::string_view> seen;
  for (const auto& c : cases) {
    EXPECT_EQ(code(c.error), c.code) << c.code;
    EXPECT_TRUE(seen.insert(code(c.error)).second) << "repeated code " << c.code;
  }
}

}  // namespace
}  // namespace vantiro
