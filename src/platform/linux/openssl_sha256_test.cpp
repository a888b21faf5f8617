#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>

#include "platform/sha256_port_tests.h"

namespace vantiro::platform::port_tests {
namespace {

TEST(OpenSslSha256, AFifoHasNoDigestAndDoesNotBlock) {
  TempFolder dir;
  const Path fifo = dir / "Vantiro.exe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  auto sha = make_sha256();
  auto pending = std::async(std::launch::async, [&] { return sha->sha256_file_hex(fifo); });
  if (pending.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
    ADD_FAILURE() << "hashing blocked on a FIFO";
    const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    if (writer >= 0) ::close(writer);
  }
  EXPECT_FALSE(pending.get().has_value());
}

}  // namespace
}  // namespace vantiro::platform::port_tests
