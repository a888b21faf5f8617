#include "fivem/validation.h"

#include <array>
#include <vector>

namespace vantiro {
namespace {

constexpr char16_t ascii_lower(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? c + 32 : c;
}

bool equals_ignoring_ascii_case(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
  return true;
}

constexpr bool is_ascii_alnum(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

constexpr bool is_name_char(char16_t c) {
  return is_ascii_alnum(c) || c == u'_' || c == u'-';
}

constexpr bool is_path_char(char16_t c) {
  return is_name_char(c) || c == u'+' || c == u'.';
}

constexpr std::array<std::u16string_view, 17> kAllowedExtensions{
    u"lua",  u"meta", u"ymt", u"ydd", u"ytd",  u"yft", u"ydr", u"ybn", u"ymap",
    u"ytyp", u"awc",  u"rel", u"dat", u"json", u"txt", u"png", u"fxap"};

bool is_allowed_extension(std::u16string_view ext) {
  for (auto allowed : kAllowedExtensions)
    if (equals_ignoring_ascii_case(ext, allowed)) return true;
  return false;
}

// Simple upper-case mapping for the scripts a folder name is likely to use; it stands in for
// the file system's ordinal case-insensitive comparison.
char16_t fold_ordinal(char16_t c) {
  if (c < 0x80) return (c >= u'a' && c <= u'z') ? c - 32 : c;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x17F) {
    const bool odd_is_lower = (c <= 0x137) || (c >= 0x14A && c <= 0x177);
    const bool odd_upper_range = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (odd_is_lower && (c & 1)) return c - 1;
    if (odd_upper_range && !(c & 1)) return c - 1;
    return c;
  }
  if ((c >= 0x3B1 && c <= 0x3C1) || (c >= 0x3C3 && c <= 0x3CB)) return c - 0x20;
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  return c;
}

bool equal_names(std::u16string_view a, std::u16string_view b, PathStyle style) {
  if (style == PathStyle::posix) return a == b;
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (fold_ordinal(a[i]) != fold_ordinal(b[i])) return false;
  return true;
}

bool is_separator(char16_t c, PathStyle style) {
  return c == u'/' || (style == PathStyle::windows && c == u'\\');
}

struct SplitPath {
  std::u16string_view root_name;
  bool root_dir = false;
  std::vector<std::u16string_view> names;
  bool trailing_separator = false;
};

SplitPath split_normalized(std::u16string_view p, PathStyle style) {
  SplitPath out;
  std::size_t i = 0;
  if (style == PathStyle::windows && p.size() >= 2) {
    const char16_t c0 = p[0];
    const bool letter = (c0 >= u'a' && c0 <= u'z') || (c0 >= u'A' && c0 <= u'Z');
    if (letter && p[1] == u':') {
      out.root_name = p.substr(0, 2);
      i = 2;
    } else if (is_separator(p[0], style) && is_separator(p[1], style) &&
               (p.size() == 2 || !is_separator(p[2], style))) {
      std::size_t end = 2;
      while (end < p.size() && !is_separator(p[end], style)) ++end;
      out.root_name = p.substr(0, end);
      i = end;
    }
  }
  if (i < p.size() && is_separator(p[i], style)) {
    out.root_dir = true;
    while (i < p.size() && is_separator(p[i], style)) ++i;
  }
  bool last_was_dot_or_empty = false;
  while (i < p.size()) {
    std::size_t end = i;
    while (end < p.size() && !is_separator(p[end], style)) ++end;
    const std::u16string_view name = p.substr(i, end - i);
    last_was_dot_or_empty = false;
    if (name == u".") {
      last_was_dot_or_empty = true;
    } else if (name == u"..") {
      if (!out.names.empty() && out.names.back() != u"..") {
        out.names.pop_back();
        last_was_dot_or_empty = true;
      } else if (!out.root_dir) {
        out.names.push_back(name);
      }
    } else {
      out.names.push_back(name);
    }
    i = end;
    if (i < p.size()) {
      while (i < p.size() && is_separator(p[i], style)) ++i;
      if (i == p.size()) last_was_dot_or_empty = true;
    }
  }
  out.trailing_separator = last_was_dot_or_empty && !out.names.empty();
  return out;
}

}  // namespace

bool is_reserved_device_name(std::u16string_view segment) {
  const auto dot = segment.find(u'.');
  const std::u16string_view stem =
      dot == std::u16string_view::npos ? segment : segment.substr(0, dot);
  for (auto dev : {u"con", u"prn", u"aux", u"nul"})
    if (equals_ignoring_ascii_case(stem, dev)) return true;
  if (stem.size() == 4 && stem[3] >= u'1' && stem[3] <= u'9') {
    const auto head = stem.substr(0, 3);
    return equals_ignoring_ascii_case(head, u"com") || equals_ignoring_ascii_case(head, u"lpt");
  }
  return false;
}

bool is_valid_fivem_resource_name(std::u16string_view name) {
  if (name.empty() || name.size() > kMaxFiveMNameUnits) return false;
  if (name == u"." || name == u"..") return false;
  for (char16_t c : name)
    if (!is_name_char(c)) return false;
  return !is_reserved_device_name(name);
}

bool is_valid_fivem_relative_path(std::u16string_view path) {
  if (path.empty() || path.size() > kMaxFiveMPathUnits) return false;
  std::size_t count = 0;
  std::size_t start = 0;
  std::u16string_view last;
  while (true) {
    const auto slash = path.find(u'/', start);
    const auto seg =
        path.substr(start, slash == std::u16string_view::npos ? path.npos : slash - start);
    if (seg.empty() || seg == u"." || seg == u"..") return false;
    if (++count > kMaxFiveMPathSegments) return false;
    if (seg.front() == u'.' || seg.back() == u'.') return false;
    if (is_reserved_device_name(seg)) return false;
    for (char16_t c : seg)
      if (!is_path_char(c)) return false;
    last = seg;
    if (slash == std::u16string_view::npos) break;
    start = slash + 1;
  }
  const auto dot = last.rfind(u'.');
  if (dot == std::u16string_view::npos) return false;
  return is_allowed_extension(last.substr(dot + 1));
}

bool is_fivem_manifest_path(std::u16string_view path) {
  return equals_ignoring_ascii_case(path, kFiveMManifestName);
}

bool same_fivem_path(std::u16string_view a, std::u16string_view b) {
  return equals_ignoring_ascii_case(a, b);
}

bool fivem_paths_conflict(std::u16string_view a, std::u16string_view b) {
  if (a.size() > b.size()) std::swap(a, b);
  if (a.size() == b.size()) return equals_ignoring_ascii_case(a, b);
  return b[a.size()] == u'/' && equals_ignoring_ascii_case(a, b.substr(0, a.size()));
}

bool is_absolute_fivem_folder(std::u16string_view p, PathStyle style) {
  if (style == PathStyle::posix) return !p.empty() && p[0] == u'/';
  if (p.size() >= 3) {
    const char16_t c0 = p[0];
    const bool letter = (c0 >= u'a' && c0 <= u'z') || (c0 >= u'A' && c0 <= u'Z');
    if (letter && p[1] == u':' && is_separator(p[2], style)) return true;
  }
  return p.size() >= 2 && is_separator(p[0], style) && is_separator(p[1], style);
}

bool is_strictly_inside(std::u16string_view root, std::u16string_view candidate, PathStyle style) {
  // A trailing separator names the same folder, so it is not an element of its own here.
  const SplitPath r = split_normalized(root, style);
  const SplitPath c = split_normalized(candidate, style);
  const std::size_t r_count = (r.root_name.empty() ? 0 : 1) + (r.root_dir ? 1 : 0) + r.names.size();
  const std::size_t c_count = (c.root_name.empty() ? 0 : 1) + (c.root_dir ? 1 : 0) + c.names.size();
  if (r_count == 0 || r_count >= c_count) return false;
  if (r.root_name.empty() != c.root_name.empty()) return false;
  if (!equal_names(r.root_name, c.root_name, style)) return false;
  if (r.root_dir != c.root_dir) return false;
  for (std::size_t i = 0; i < r.names.size(); ++i)
    if (!equal_names(r.names[i], c.names[i], style)) return false;
  return true;
}

std::u16string normalize_fivem_path(std::u16string_view path, PathStyle style) {
  const SplitPath s = split_normalized(path, style);
  const char16_t sep = style == PathStyle::windows ? u'\\' : u'/';
  std::u16string out;
  for (char16_t ch : s.root_name) out.push_back(is_separator(ch, style) ? sep : ch);
  if (s.root_dir) out.push_back(sep);
  for (std::size_t i = 0; i < s.names.size(); ++i) {
    if (i) out.push_back(sep);
    out.append(s.names[i]);
  }
  if (s.trailing_separator) out.push_back(sep);
  if (out.empty() && !path.empty()) out.push_back(u'.');
  return out;
}

std::u16string last_path_component(std::u16string_view path, PathStyle style) {
  const SplitPath s = split_normalized(path, style);
  if (s.names.empty() || s.trailing_separator) return std::u16string(path);
  return std::u16string(s.names.back());
}

FiveMError check_fivem_request(std::u16string_view resource_name,
                               const std::vector<FiveMFile>& files) {
  if (!is_valid_fivem_resource_name(resource_name)) return FiveMError::invalid_resource_name;
  if (files.empty()) return FiveMError::no_files;
  if (files.size() > kMaxFiveMFiles) return FiveMError::too_many_files;
  std::uint64_t total = 0;
  bool has_manifest = false;
  for (std::size_t i = 0; i < files.size(); ++i) {
    const std::u16string_view path = files[i].path;
    if (!is_valid_fivem_relative_path(path)) return FiveMError::invalid_path;
    total += files[i].bytes.size();
    if (total > kMaxFiveMTotalBytes) return FiveMError::too_large;
    if (is_fivem_manifest_path(path)) has_manifest = true;
    for (std::size_t j = 0; j < i; ++j)
      if (same_fivem_path(files[j].path, path)) return FiveMError::duplicate_path;
    // Left to the disk, such a pair fails half-way through the commit.
    for (std::size_t j = 0; j < i; ++j)
      if (fivem_paths_conflict(files[j].path, path)) return FiveMError::path_conflict;
  }
  return has_manifest ? FiveMError::none : FiveMError::missing_manifest;
}

}  // namespace vantiro
