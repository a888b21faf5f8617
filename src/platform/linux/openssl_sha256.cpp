#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <vector>

#include "platform/hex_digest.h"
#include "platform/ports.h"

namespace vantiro::platform {
namespace {

class Hasher {
 public:
  Hasher() : ctx_(EVP_MD_CTX_new()) {
    ok_ = ctx_ != nullptr && EVP_DigestInit_ex(ctx_.get(), EVP_sha256(), nullptr) == 1;
  }
  void update(const void* data, std::size_t size) {
    if (ok_ && size > 0) ok_ = EVP_DigestUpdate(ctx_.get(), data, size) == 1;
  }
  // Empty when any step failed.
  std::string finish_hex() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (!ok_ || EVP_DigestFinal_ex(ctx_.get(), digest, &size) != 1 || size != 32) return {};
    return lower_hex(digest, size);
  }

 private:
  struct Free {
    void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
  };
  std::unique_ptr<EVP_MD_CTX, Free> ctx_;
  bool ok_ = false;
};

class OpenSslSha256 final : public Sha256 {
 public:
  std::string sha256_hex(std::string_view bytes) override {
    Hasher hasher;
    hasher.update(bytes.data(), bytes.size());
    return hasher.finish_hex();
  }

  std::optional<std::string> sha256_file_hex(const Path& path) override {
    if (path.empty()) return std::nullopt;
    int fd;
    do {
      // O_NONBLOCK: a FIFO must not stall the open; it is refused below.
      fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return std::nullopt;
    const std::optional<std::string> digest = hash_open_file(fd);
    ::close(fd);
    return digest;
  }

 private:
  static std::optional<std::string> hash_open_file(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    Hasher hasher;
    std::vector<unsigned char> buffer(kHashChunkBytes);
    for (;;) {
      const ssize_t got = ::read(fd, buffer.data(), buffer.size());
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) return std::nullopt;
      if (got == 0) break;
      hasher.update(buffer.data(), static_cast<std::size_t>(got));
    }
    std::string hex = hasher.finish_hex();
    if (hex.empty()) return std::nullopt;
    return hex;
  }
};

}  // namespace

std::unique_ptr<Sha256> make_sha256() {
  return std::make_unique<OpenSslSha256>();
}

}  // namespace vantiro::platform
