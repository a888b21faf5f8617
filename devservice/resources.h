#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vantiro::devservice {

struct GeneratedFile {
  std::string path;
  std::string bytes;
};

struct GeneratedResource {
  std::string name;
  std::vector<GeneratedFile> files;
};

struct ResourceInfo {
  std::string_view name;
  std::string_view summary_sv;
  std::string_view summary_en;
};

// The sample resources a page can send to FiveM, built on demand and the same every time.
std::span<const ResourceInfo> sample_resources();
std::optional<GeneratedResource> make_sample_resource(std::string_view name);

std::size_t total_bytes(const GeneratedResource& r);

// {"resourceName": ..., "files": [{"path": ..., "base64": ...}, ...]}, the payload that the
// page hands to sendToFiveM as it is.
std::string send_payload_json(const GeneratedResource& r);

// The most a resource may hold once decoded.
inline constexpr std::size_t kMaxResourceBytes = 64u * 1024 * 1024;

}  // namespace vantiro::devservice
