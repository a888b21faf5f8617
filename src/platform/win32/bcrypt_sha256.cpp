#include <windows.h>
// windows.h first: bcrypt.h relies on its types.
#include <bcrypt.h>

#include <algorithm>
#include <limits>
#include <vector>

#include "platform/hex_digest.h"
#include "platform/ports.h"

namespace vantiro::platform {
namespace {

constexpr std::size_t kDigestBytes = 32;

bool succeeded(NTSTATUS status) {
  return status >= 0;
}

// One CNG hash from open to finish; any failing call leaves it failed.
class Hasher {
 public:
  Hasher() {
    ok_ = succeeded(BCryptOpenAlgorithmProvider(&algorithm_, BCRYPT_SHA256_ALGORITHM, nullptr, 0));
    if (!ok_) algorithm_ = nullptr;
    // The provider keeps the hash object itself when no buffer is given.
    ok_ = ok_ && succeeded(BCryptCreateHash(algorithm_, &hash_, nullptr, 0, nullptr, 0, 0));
    if (!ok_) hash_ = nullptr;
  }
  ~Hasher() {
    if (hash_ != nullptr) BCryptDestroyHash(hash_);
    if (algorithm_ != nullptr) BCryptCloseAlgorithmProvider(algorithm_, 0);
  }
  Hasher(const Hasher&) = delete;
  Hasher& operator=(const Hasher&) = delete;

  void update(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (ok_ && size > 0) {
      // The length parameter is 32 bits wide.
      const ULONG piece = static_cast<ULONG>(
          std::min<std::size_t>(size, std::numeric_limits<ULONG>::max() / 2 + 1));
      ok_ = succeeded(BCryptHashData(hash_, const_cast<PUCHAR>(bytes), piece, 0));
      bytes += piece;
      size -= piece;
    }
  }

  // Empty when any step failed.
  std::string finish_hex() {
    unsigned char digest[kDigestBytes];
    if (!ok_ || !succeeded(BCryptFinishHash(hash_, digest, kDigestBytes, 0))) return {};
    ok_ = false;  // a finished hash cannot take more data
    return lower_hex(digest, kDigestBytes);
  }

 private:
  BCRYPT_ALG_HANDLE algorithm_ = nullptr;
  BCRYPT_HASH_HANDLE hash_ = nullptr;
  bool ok_ = false;
};

class BcryptSha256 final : public Sha256 {
 public:
  std::string sha256_hex(std::string_view bytes) override {
    Hasher hasher;
    hasher.update(bytes.data(), bytes.size());
    return hasher.finish_hex();
  }

  std::optional<std::string> sha256_file_hex(const Path& path) override {
    if (path.empty()) return std::nullopt;
    // No write sharing: the content cannot change under the hash. A staged update's held
    // handle (read, sharing read and delete) still lets this open.
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    const std::optional<std::string> digest = hash_open_file(file);
    CloseHandle(file);
    return digest;
  }

 private:
  static std::optional<std::string> hash_open_file(HANDLE file) {
    if (GetFileType(file) != FILE_TYPE_DISK) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      return std::nullopt;
    }
    Hasher hasher;
    std::vector<unsigned char> buffer(kHashChunkBytes);
    for (;;) {
      DWORD got = 0;
      if (!ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
        return std::nullopt;
      }
      if (got == 0) break;
      hasher.update(buffer.data(), got);
    }
    std::string hex = hasher.finish_hex();
    if (hex.empty()) return std::nullopt;
    return hex;
  }
};

}  // namespace

std::unique_ptr<Sha256> make_sha256() {
  return std::make_unique<BcryptSha256>();
}

}  // namespace vantiro::platform
