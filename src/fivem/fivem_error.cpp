#include "fivem/fivem_error.h"

#include <array>
#include <utility>

namespace vantiro {
namespace {

// One row per enumerator, in declaration order; the test walks the table to keep it so.
constexpr std::array<std::pair<FiveMError, std::string_view>, 20> kCodes{{
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
}};

constexpr bool table_in_order() {
  for (std::size_t i = 0; i < kCodes.size(); ++i)
    if (static_cast<std::size_t>(kCodes[i].first) != i) return false;
  return true;
}
static_assert(table_in_order(), "kCodes must list FiveMError in declaration order");

}  // namespace

std::string_view code(FiveMError e) {
  const auto i = static_cast<std::size_t>(e);
  return i < kCodes.size() ? kCodes[i].second : std::string_view("write_failed");
}

}  // namespace vantiro
