#include "release.h"

#include <fstream>
#include <sstream>

#include "common/json.h"
#include "http_util.h"

namespace vantiro::devservice {
namespace {

struct ModeName {
  ReleaseMode mode;
  std::string_view name;
};
constexpr ModeName kModes[] = {
    {ReleaseMode::valid, "valid"},
    {ReleaseMode::wrong_digest, "wrong-digest"},
    {ReleaseMode::wrong_version, "wrong-version"},
    {ReleaseMode::wrong_size, "wrong-size"},
    {ReleaseMode::no_digest, "no-digest"},
    {ReleaseMode::not_ready, "not-ready"},
};

// Adds one to a string of decimal digits without limiting its length.
std::string increment_decimal(std::string digits) {
  for (auto i = digits.size(); i-- > 0;) {
    if (digits[i] != '9') {
      ++digits[i];
      return digits;
    }
    digits[i] = '0';
  }
  return "1" + digits;
}

bool all_digits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

}  // namespace

std::optional<ReleaseMode> parse_release_mode(std::string_view text) {
  for (const ModeName& m : kModes) {
    if (m.name == text) return m.mode;
  }
  return std::nullopt;
}

std::string_view release_mode_name(ReleaseMode mode) {
  for (const ModeName& m : kModes) {
    if (m.mode == mode) return m.name;
  }
  return "valid";
}

std::optional<std::string> next_patch_version(std::string_view version) {
  const std::string_view core = version.substr(0, version.find_first_of("-+"));
  const auto d1 = core.find('.');
  if (d1 == std::string_view::npos) return std::nullopt;
  const auto d2 = core.find('.', d1 + 1);
  if (d2 == std::string_view::npos) return std::nullopt;
  const std::string_view major = core.substr(0, d1);
  const std::string_view minor = core.substr(d1 + 1, d2 - d1 - 1);
  const std::string_view patch = core.substr(d2 + 1);
  if (!all_digits(major) || !all_digits(minor) || !all_digits(patch)) return std::nullopt;
  return std::string(major) + "." + std::string(minor) + "." +
         increment_decimal(std::string(patch));
}

std::optional<Release> load_release(const std::string& path, std::string_view version,
                                    ReleaseMode mode, std::string& error) {
  if (version.empty() || version.size() > 64) {
    error = "the release version must be 1 to 64 characters";
    return std::nullopt;
  }
  if (mode == ReleaseMode::wrong_version && !next_patch_version(version)) {
    error = "wrong-version needs a version of the form MAJOR.MINOR.PATCH";
    return std::nullopt;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open " + path;
    return std::nullopt;
  }
  std::ostringstream buf;
  buf << in.rdbuf();
  if (in.bad()) {
    error = "cannot read " + path;
    return std::nullopt;
  }
  Release r;
  auto bytes = std::make_shared<std::string>(std::move(buf).str());
  r.sha256 = sha256_hex(*bytes);
  r.bytes = std::move(bytes);
  r.version = std::string(version);
  r.mode = mode;
  return r;
}

std::string release_status_json(const Release* release, std::string_view own_version) {
  json::ObjectWriter w;
  if (release == nullptr) {
    w.add_bool("ready", true).add_string("version", own_version);
    return w.to_string();
  }
  const ReleaseMode mode = release->mode;
  w.add_bool("ready", mode != ReleaseMode::not_ready);
  w.add_string("version", mode == ReleaseMode::wrong_version
                              ? next_patch_version(release->version).value_or(release->version)
                              : release->version);
  if (mode != ReleaseMode::no_digest) {
    std::string digest = release->sha256;
    if (mode == ReleaseMode::wrong_digest) {
      // Flip the lowest bit of the last digit: still well-formed, never the file's.
      char& last = digest.back();
      const int v = (last >= 'a' ? last - 'a' + 10 : last - '0') ^ 1;
      last = static_cast<char>(v < 10 ? '0' + v : 'a' + v - 10);
    }
    auto size = static_cast<std::int64_t>(release->bytes->size());
    if (mode == ReleaseMode::wrong_size) ++size;
    w.add_string("sha256", digest).add_integer("bytes", size);
  }
  w.add_string("url", "/downloads/desktop/Vantiro.exe");
  return w.to_string();
}

}  // namespace vantiro::devservice
