#pragma once

// Digests every host's Sha256 must give, written once; each host's test file includes this
// header once.

#include <gtest/gtest.h>

#include <string>

#include "platform/hex_digest.h"
#include "platform/port_test_support.h"
#include "platform/ports.h"

namespace vantiro::platform::port_tests {

struct DigestCase {
  const char* name;
  std::string bytes;
  const char* hex;
};

inline std::vector<DigestCase> known_digests() {
  return {
      {"empty", "", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"448-bit message", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {"896-bit message",
       "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlm"
       "nopqrsmnopqrstnopqrstu",
       "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
      {"one million a", std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
      {"3 MiB and 123 bytes of pattern", pattern_bytes(3 * (std::size_t{1} << 20) + 123),
       "03c64ff6c07cb888bdc65bc5c1519182eaa655669c553000f03c420e7249683b"},
  };
}

TEST(HostSha256, BufferDigestsMatchTheKnownVectors) {
  auto sha = make_sha256();
  for (const auto& c : known_digests()) EXPECT_EQ(sha->sha256_hex(c.bytes), c.hex) << c.name;
}

TEST(HostSha256, FileDigestsMatchTheKnownVectors) {
  TempFolder dir;
  auto sha = make_sha256();
  for (const auto& c : known_digests()) {
    write_file(dir / "payload.bin", c.bytes);
    EXPECT_EQ(sha->sha256_file_hex(dir / "payload.bin").value_or("<none>"), c.hex) << c.name;
  }
}

// Sizes around the read piece catch a lost or repeated piece at a boundary.
TEST(HostSha256, FileDigestEqualsBufferDigestAroundTheReadPieceSize) {
  TempFolder dir;
  auto sha = make_sha256();
  for (const std::size_t size : {std::size_t{1}, kHashChunkBytes - 1, kHashChunkBytes,
                                 kHashChunkBytes + 1, 2 * kHashChunkBytes}) {
    const std::string bytes = pattern_bytes(size);
    write_file(dir / "payload.bin", bytes);
    const std::string want = sha->sha256_hex(bytes);
    EXPECT_EQ(want.size(), 64u) << size << " bytes";
    EXPECT_EQ(sha->sha256_file_hex(dir / "payload.bin").value_or("<none>"), want)
        << size << " bytes";
  }
}

TEST(HostSha256, FilesThatCannotBeReadHaveNoDigest) {
  TempFolder dir;
  std::filesystem::create_directory(dir / "folder");
  auto sha = make_sha256();
  EXPECT_FALSE(sha->sha256_file_hex(dir / "missing.exe").has_value());
  EXPECT_FALSE(sha->sha256_file_hex(dir / "no" / "such.exe").has_value());
  EXPECT_FALSE(sha->sha256_file_hex(dir / "folder").has_value());
  EXPECT_FALSE(sha->sha256_file_hex(Path()).has_value());
}

TEST(HostSha256, FileWithNonAsciiNameIsHashed) {
  TempFolder dir;
  const Path file = dir / Path(u8"Vantiro åäö.exe");
  write_file(file, "abc");
  EXPECT_EQ(make_sha256()->sha256_file_hex(file).value_or("<none>"),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

}  // namespace vantiro::platform::port_tests
