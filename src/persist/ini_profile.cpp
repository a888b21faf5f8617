#include "persist/ini_profile.h"

#include <optional>
#include <vector>

#include "common/utf.h"

namespace vantiro {
namespace {

// Byte files are held as one unit per byte so that bytes which are not UTF-8 survive a write.
enum class Encoding { utf8, utf8_bom, utf16le };

struct Document {
  Encoding encoding = Encoding::utf8;
  std::u16string units;
};

std::optional<Document> decode(std::string_view raw) {
  Document doc;
  if (raw.size() >= 2 && static_cast<unsigned char>(raw[0]) == 0xFF &&
      static_cast<unsigned char>(raw[1]) == 0xFE) {
    if (raw.size() % 2 != 0) return std::nullopt;
    doc.encoding = Encoding::utf16le;
    for (std::size_t i = 2; i < raw.size(); i += 2) {
      doc.units.push_back(static_cast<char16_t>(static_cast<unsigned char>(raw[i]) |
                                                (static_cast<unsigned char>(raw[i + 1]) << 8)));
    }
    return doc;
  }
  if (raw.substr(0, 3) == "\xEF\xBB\xBF") {
    doc.encoding = Encoding::utf8_bom;
    raw.remove_prefix(3);
  }
  doc.units.reserve(raw.size());
  for (char c : raw) doc.units.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
  return doc;
}

std::string encode(const Document& doc) {
  std::string out;
  if (doc.encoding == Encoding::utf16le) {
    out = "\xFF\xFE";
    for (char16_t u : doc.units) {
      out.push_back(static_cast<char>(u & 0xFF));
      out.push_back(static_cast<char>(u >> 8));
    }
    return out;
  }
  if (doc.encoding == Encoding::utf8_bom) out = "\xEF\xBB\xBF";
  for (char16_t u : doc.units) out.push_back(static_cast<char>(u));
  return out;
}

std::u16string to_units(std::u16string_view text, Encoding encoding) {
  if (encoding == Encoding::utf16le) return std::u16string(text);
  std::u16string units;
  for (char c : to_utf8(text))
    units.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
  return units;
}

std::u16string from_units(std::u16string_view units, Encoding encoding) {
  if (encoding == Encoding::utf16le) return std::u16string(units);
  std::string bytes;
  for (char16_t u : units) bytes.push_back(static_cast<char>(u));
  return to_utf16(bytes);
}

bool is_space(char16_t c) {
  return c == ' ' || (c >= '\t' && c <= '\r') || c == 0x1A;
}

char16_t fold(char16_t c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char16_t>(c + 32) : c;
}

bool same_name(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

std::u16string_view trim(std::u16string_view s) {
  while (!s.empty() && is_space(s.front())) s.remove_prefix(1);
  while (!s.empty() && is_space(s.back())) s.remove_suffix(1);
  return s;
}

struct Line {
  enum class Kind { blank, section, key };
  Kind kind = Kind::blank;
  std::size_t content_begin = 0;  // first non-space unit
  std::size_t end = 0;            // end of the content, before the line break
  std::size_t next = 0;           // start of the next line
  std::u16string_view name;       // section or key name, trimmed
  std::u16string_view value;      // key value, trimmed
  bool has_value = false;         // the key line holds an "="
};

// Lines end at LF, CR or CR LF.
std::vector<Line> split_lines(std::u16string_view units) {
  std::vector<Line> lines;
  std::size_t pos = 0;
  while (pos < units.size()) {
    Line line;
    std::size_t end = pos;
    while (end < units.size() && units[end] != '\n' && units[end] != '\r') ++end;
    std::size_t next = end;
    if (next < units.size() && units[next] == '\r') ++next;
    if (next < units.size() && units[next] == '\n') ++next;
    std::size_t begin = pos;
    while (begin < end && is_space(units[begin])) ++begin;
    std::size_t stop = end;
    while (stop > begin && is_space(units[stop - 1])) --stop;
    line.content_begin = begin;
    line.end = end;
    line.next = next;
    const std::u16string_view content = units.substr(begin, stop - begin);
    if (content.empty()) {
      line.kind = Line::Kind::blank;
    } else if (content.front() == '[' && content.rfind(u']') != std::u16string_view::npos &&
               content.rfind(u']') > 0) {
      line.kind = Line::Kind::section;
      line.name = trim(content.substr(1, content.rfind(u']') - 1));
    } else {
      line.kind = Line::Kind::key;
      const std::size_t eq = content.find(u'=');
      if (eq == std::u16string_view::npos) {
        line.name = content;
      } else {
        line.name = trim(content.substr(0, eq));
        line.value = trim(content.substr(eq + 1));
        line.has_value = true;
      }
    }
    lines.push_back(line);
    pos = next;
  }
  return lines;
}

struct Lookup {
  bool section_found = false;
  const Line* key = nullptr;
  std::size_t insert_at = 0;  // after the last non-blank line of the first matching section
};

// Only the first section of the name counts, and in it only the first key of the name; the
// lines before any header form a section without a name.
Lookup find_key(const std::vector<Line>& lines, std::u16string_view section,
                std::u16string_view key) {
  Lookup found;
  bool inside = section.empty();
  found.section_found = inside;
  for (const Line& line : lines) {
    if (line.kind == Line::Kind::section) {
      if (inside) break;
      if (!found.section_found && same_name(line.name, section)) {
        inside = true;
        found.section_found = true;
        found.insert_at = line.next;
      }
      continue;
    }
    if (!inside || line.kind == Line::Kind::blank) continue;
    found.insert_at = line.next;
    if (!found.key && same_name(line.name, key)) found.key = &line;
  }
  return found;
}

std::u16string_view strip_quotes(std::u16string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
    return v.substr(1, v.size() - 2);
  }
  return v;
}

std::u16string cut(std::u16string text, std::size_t max_length) {
  if (text.size() > max_length) {
    text.resize(max_length);
    if (!text.empty() && is_high_surrogate(text.back())) text.pop_back();
  }
  return text;
}

std::u16string eol_of(std::u16string_view units) {
  const std::size_t brk = units.find_first_of(u"\r\n");
  if (brk != std::u16string_view::npos && units[brk] == '\n') return u"\n";
  return u"\r\n";
}

bool has_line_break(std::u16string_view s) {
  return s.find_first_of(u"\r\n") != s.npos;
}

struct ReadValue {
  bool present = false;  // the key exists and holds an "="
  std::u16string value;  // trimmed and unquoted
};

}  // namespace

std::int32_t profile_value_to_int(std::u16string_view s) {
  if (s.size() > 29) s = s.substr(0, 29);
  while (!s.empty() && s.front() <= ' ') s.remove_prefix(1);
  bool minus = false;
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
    minus = s.front() == '-';
    s.remove_prefix(1);
  }
  std::uint32_t base = 10;
  if (s.size() >= 2 && s[0] == '0') {
    if (s[1] == 'b') base = 2;
    if (s[1] == 'o') base = 8;
    if (s[1] == 'x') base = 16;
    if (base != 10) s.remove_prefix(2);
  }
  std::uint32_t total = 0;
  for (char16_t c : s) {
    std::uint32_t digit = 99;
    if (c >= '0' && c <= '9') digit = c - u'0';
    if (c >= 'A' && c <= 'Z') digit = c - u'A' + 10;
    if (c >= 'a' && c <= 'z') digit = c - u'a' + 10;
    if (digit >= base) break;
    total = total * base + digit;
  }
  if (minus) total = 0u - total;
  return static_cast<std::int32_t>(total);
}

namespace {

ReadValue read_value(FileSystem& fs, const Path& file, std::u16string_view section,
                     std::u16string_view key) {
  ReadValue out;
  const BoundedRead raw = fs.read_regular_file(file, kMaxProfileFileBytes);
  if (raw.status != BoundedRead::Status::ok) return out;
  const auto doc = decode(raw.bytes);
  if (!doc) return out;
  const auto lines = split_lines(doc->units);
  const Lookup found =
      find_key(lines, to_units(section, doc->encoding), to_units(key, doc->encoding));
  if (!found.key || !found.key->has_value) return out;
  out.present = true;
  out.value = from_units(strip_quotes(found.key->value), doc->encoding);
  return out;
}

}  // namespace

std::int32_t IniProfileStore::read_int(const Path& file, std::u16string_view section,
                                       std::u16string_view key, std::int32_t default_value) {
  const ReadValue v = read_value(fs_, file, section, key);
  if (!v.present || v.value.empty()) return default_value;
  return profile_value_to_int(v.value);
}

std::u16string IniProfileStore::read_string(const Path& file, std::u16string_view section,
                                            std::u16string_view key,
                                            std::u16string_view default_value,
                                            std::size_t max_length) {
  ReadValue v = read_value(fs_, file, section, key);
  if (v.present) return cut(std::move(v.value), max_length);
  while (!default_value.empty() && default_value.back() == ' ') default_value.remove_suffix(1);
  return cut(std::u16string(default_value), max_length);
}

bool IniProfileStore::write_string(const Path& file, std::u16string_view section,
                                   std::u16string_view key, std::u16string_view value) {
  key = trim(key);
  section = trim(section);
  value = trim(value);
  if (key.empty() || key.front() == '[' || key.find(u'=') != key.npos || has_line_break(key) ||
      has_line_break(section) || section.find(u']') != section.npos || has_line_break(value)) {
    return false;
  }

  Document doc;
  const BoundedRead raw = fs_.read_regular_file(file, kMaxProfileFileBytes);
  if (raw.status == BoundedRead::Status::ok) {
    auto decoded = decode(raw.bytes);
    if (!decoded) return false;
    doc = std::move(*decoded);
  } else if (raw.status != BoundedRead::Status::missing) {
    // Never replace a file that could not be read whole.
    return false;
  }

  const std::u16string eol = eol_of(doc.units);
  const std::u16string key_units = to_units(key, doc.encoding);
  const std::u16string section_units = to_units(section, doc.encoding);
  const std::u16string value_units = to_units(value, doc.encoding);
  const auto lines = split_lines(doc.units);
  const Lookup found = find_key(lines, section_units, key_units);

  if (found.key) {
    // Keep the key's own spelling and indentation; only its value changes.
    std::u16string replacement(found.key->name);
    replacement += u'=';
    replacement += value_units;
    doc.units.replace(found.key->content_begin, found.key->end - found.key->content_begin,
                      replacement);
  } else {
    std::u16string addition;
    std::size_t at = found.section_found ? found.insert_at : doc.units.size();
    const bool ends_open = at == doc.units.size() && !doc.units.empty() &&
                           doc.units.back() != '\n' && doc.units.back() != '\r';
    if (ends_open) addition += eol;
    if (!found.section_found) {
      addition += u'[';
      addition += section_units;
      addition += u']';
      addition += eol;
    }
    addition += key_units;
    addition += u'=';
    addition += value_units;
    addition += eol;
    doc.units.insert(at, addition);
  }
  return fs_.replace_file_atomically(file, encode(doc));
}

}  // namespace vantiro
