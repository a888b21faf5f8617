#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "common/fake_file_system.h"
#include "persist/ini_profile.h"

// Any file content: reading never fails, and a written key reads back as written while a
// key of another section keeps its value.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const vantiro::Path file(u"/f/window.ini");
  vantiro::FakeFileSystem fs;
  fs.add_file(file, bytes);
  vantiro::IniProfileStore store(fs);
  store.read_int(file, u"window", u"x", 0);
  const std::u16string other = store.read_string(file, u"other", u"k", u"\x1", 64);
  const bool wrote = store.write_string(file, u"window", u"x", u"-1234");
  if (wrote) {
    if (store.read_int(file, u"window", u"x", 0) != -1234) std::abort();
    if (store.read_string(file, u"other", u"k", u"\x1", 64) != other) std::abort();
  }
  return 0;
}
