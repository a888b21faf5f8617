#pragma once

// Test doubles for the host's hash and the maker's checks, with a record of what was asked.

#include <string>
#include <vector>

#include "common/sha256.h"
#include "update/verify.h"

namespace vantiro::update::testing {

// Not SHA-256, but a digest that changes with every byte: enough to tell contents apart.
inline std::string fake_digest(std::string_view bytes) {
  std::uint64_t h = 1469598103934665603ull;
  for (unsigned char c : bytes) h = (h ^ c) * 1099511628211ull;
  static const char* hex = "0123456789abcdef";
  std::string out;
  for (int round = 0; round < 4; ++round) {
    std::uint64_t v = h ^ (0x9e3779b97f4a7c15ull * static_cast<std::uint64_t>(round + 1));
    for (int i = 0; i < 16; ++i, v >>= 4) out += hex[v & 15];
  }
  return out;
}

struct FakeSha256 final : Sha256 {
  std::string sha256_hex(std::string_view bytes) override { return fake_digest(bytes); }
  std::optional<std::string> sha256_file_hex(const Path&) override { return std::nullopt; }
};

struct FakeReleaseChecks final : ReleaseChecks {
  bool signed_ok = true;
  std::u16string version = u"1.9.10";
  std::vector<std::string> asked;  // "publisher" and "version", in order

  bool authenticode_publisher_ok(HeldFile&, std::string_view) override {
    asked.push_back("publisher");
    return signed_ok;
  }
  std::u16string product_version_of(HeldFile&, std::string_view) override {
    asked.push_back("version");
    return version;
  }
};

}  // namespace vantiro::update::testing
