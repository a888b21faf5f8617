#include "update/staged_update.h"

namespace vantiro::update {

StagedUpdate::StagedUpdate(UpdateFiles& files, std::u16string version, std::string sha256,
                           std::uint64_t bytes, Path temp_path)
    : files_(files),
      version_(std::move(version)),
      sha256_(std::move(sha256)),
      bytes_(bytes),
      temp_path_(std::move(temp_path)) {}

StagedUpdate::~StagedUpdate() {
  held_.reset();
  if (!temp_path_.empty()) files_.remove_file(temp_path_);
}

}  // namespace vantiro::update
