#include <cstdint>

#include "common/build_config.h"
#include "platform/linux/cms_release_checks.h"

namespace vantiro::platform {
namespace {

constexpr std::uint16_t version_field(int index) {
  std::u16string_view v = kAppVersion;
  int field = 0;
  std::uint32_t value = 0;
  for (char16_t c : v) {
    if (c == u'.') {
      if (field == index) return static_cast<std::uint16_t>(value);
      ++field;
      value = 0;
    } else {
      value = value * 10 + static_cast<std::uint32_t>(c - u'0');
    }
  }
  return field == index ? static_cast<std::uint16_t>(value) : 0;
}

struct VersionNote {
  std::uint32_t name_size;
  std::uint32_t desc_size;
  std::uint32_t type;
  char name[8];
  std::uint16_t fields[4];
};

// A section whose name begins ".note" is a note section to the assembler and the linker.
__attribute__((section(".note.vantiro.version"), used, aligned(4)))
const VersionNote kVersionNote = {8,
                                  8,
                                  kVersionNoteType,
                                  {'V', 'a', 'n', 't', 'i', 'r', 'o', 0},
                                  {version_field(0), version_field(1), version_field(2), 0}};

}  // namespace

bool own_version_note_present() {
  return *static_cast<const volatile std::uint32_t*>(&kVersionNote.type) == kVersionNoteType;
}

}  // namespace vantiro::platform
