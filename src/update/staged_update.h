#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "update/update_files.h"

namespace vantiro::update {

// A downloaded release. It owns its file: destroying it closes the held handle and deletes
// the file, so a dropped, replaced or failed update never leaves a file behind.
class StagedUpdate {
 public:
  StagedUpdate(UpdateFiles& files, std::u16string version, std::string sha256, std::uint64_t bytes,
               Path temp_path);
  ~StagedUpdate();
  StagedUpdate(const StagedUpdate&) = delete;
  StagedUpdate& operator=(const StagedUpdate&) = delete;

  UpdateFiles& files() const { return files_; }
  const std::u16string& version() const { return version_; }
  const std::string& sha256() const { return sha256_; }
  std::uint64_t bytes() const { return bytes_; }
  const Path& temp_path() const { return temp_path_; }

  bool holds_file() const { return held_ != nullptr; }
  HeldFile* held() const { return held_.get(); }
  void hold(std::unique_ptr<HeldFile> handle) { held_ = std::move(handle); }
  void close_held() { held_.reset(); }

  // After the file moved into place it is no longer ours to delete.
  void forget_file() {
    held_.reset();
    temp_path_.clear();
  }

 private:
  UpdateFiles& files_;
  std::u16string version_;
  std::string sha256_;
  std::uint64_t bytes_;
  Path temp_path_;
  std::unique_ptr<HeldFile> held_;
};

}  // namespace vantiro::update
