#include "update/update_location.h"

#include <random>

#include "common/utf.h"

namespace vantiro::update {

std::optional<Path> update_download_folder(UpdateFiles& files, const Path& executable_folder,
                                           const std::optional<Path>& per_user_folder,
                                           std::uint32_t process_id) {
  const std::u16string probe =
      u"Vantiro-write-probe-" + to_utf16(std::to_string(process_id)) + u".tmp";
  if (!executable_folder.empty() && files.can_create_file_in(executable_folder, probe))
    return executable_folder;
  if (per_user_folder && !per_user_folder->empty() && files.create_directories(*per_user_folder))
    return per_user_folder;
  return std::nullopt;
}

std::u16string new_guid_text() {
  std::random_device rd;
  unsigned char b[16];
  for (auto& x : b) x = static_cast<unsigned char>(rd() & 0xff);
  b[6] = static_cast<unsigned char>((b[6] & 0x0f) | 0x40);
  b[8] = static_cast<unsigned char>((b[8] & 0x3f) | 0x80);
  static const char16_t* hex = u"0123456789ABCDEF";
  std::u16string out = u"{";
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) out += u'-';
    out += hex[b[i] >> 4];
    out += hex[b[i] & 15];
  }
  out += u'}';
  return out;
}

Path update_temp_file(const Path& folder, std::u16string_view guid_text) {
  return folder / Path(to_utf8(u"Vantiro-update-" + std::u16string(guid_text) + u".tmp"));
}

}  // namespace vantiro::update
