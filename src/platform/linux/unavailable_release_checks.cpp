#include "platform/update_ports.h"

namespace vantiro::platform {
namespace {

// This host has no way yet to prove who made a release or which version it is, so it says
// no to both: an unverifiable file is never installed.
class UnavailableReleaseChecks final : public update::ReleaseChecks {
 public:
  bool authenticode_publisher_ok(update::HeldFile&, std::string_view) override { return false; }
  std::u16string product_version_of(update::HeldFile&, std::string_view) override { return {}; }
};

}  // namespace

std::unique_ptr<update::ReleaseChecks> make_release_checks() {
  return std::make_unique<UnavailableReleaseChecks>();
}

}  // namespace vantiro::platform
