#include <system_error>

#include "platform/resource_fs_port_tests.h"

namespace vantiro::platform::port_tests {

bool host_make_folder_link(const Path& link, const Path& target) {
  std::error_code ec;
  std::filesystem::create_directory_symlink(target, link, ec);
  return !ec;
}

bool host_make_file_link(const Path& link, const Path& target) {
  std::error_code ec;
  std::filesystem::create_symlink(target, link, ec);
  return !ec;
}

bool host_is_link(const Path& path) {
  std::error_code ec;
  return std::filesystem::is_symlink(std::filesystem::symlink_status(path, ec));
}

}  // namespace vantiro::platform::port_tests
