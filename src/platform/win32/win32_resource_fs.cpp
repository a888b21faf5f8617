#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "platform/ports.h"

namespace vantiro::platform {
namespace {

// Status codes this file tells apart; ntstatus.h clashes with windows.h, so they are spelt here.
constexpr NTSTATUS kNameNotFound = static_cast<NTSTATUS>(0xC0000034L);
constexpr NTSTATUS kPathNotFound = static_cast<NTSTATUS>(0xC000003AL);
constexpr NTSTATUS kNotADirectory = static_cast<NTSTATUS>(0xC0000103L);

using NtCreateFileFn = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK,
                                        PLARGE_INTEGER, ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);

// Looked up at run time so that no import library beyond the system's own is needed.
NtCreateFileFn nt_create_file() {
  static const NtCreateFileFn fn = [] {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (!ntdll) return NtCreateFileFn{nullptr};
    return reinterpret_cast<NtCreateFileFn>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "NtCreateFile")));
  }();
  return fn;
}

HANDLE to_handle(std::int64_t h) {
  return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(h));
}
std::int64_t from_handle(HANDLE h) {
  return static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(h));
}

// A name is one element. Relative NT opens take "\" as a separator, ":" as a stream, and keep
// trailing dots and spaces that the Win32 layer would strip, so all of these are refused.
bool is_element(std::u16string_view name) {
  if (name.empty() || name == u"." || name == u"..") return false;
  if (name.size() > 255) return false;
  if (name.back() == u'.' || name.back() == u' ') return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char16_t c = name[i];
    if (c < 0x20) return false;
    switch (c) {
      case u'\\':
      case u'/':
      case u':':
      case u'*':
      case u'?':
      case u'"':
      case u'<':
      case u'>':
      case u'|':
        return false;
      default:
        break;
    }
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 >= name.size() || name[i + 1] < 0xDC00 || name[i + 1] > 0xDFFF) return false;
      ++i;
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      return false;
    }
  }
  return true;
}

struct NtOpen {
  NTSTATUS status = static_cast<NTSTATUS>(0xC0000001L);
  HANDLE handle = INVALID_HANDLE_VALUE;
  bool ok() const { return status >= 0 && handle != INVALID_HANDLE_VALUE; }
};

// Opens or creates one name inside an opened folder, relative to its handle, so a folder
// renamed or replaced since it was opened cannot redirect the open. Case-insensitive like
// every Win32 open.
NtOpen open_relative(HANDLE folder, std::u16string_view name, ACCESS_MASK access, ULONG share,
                     ULONG disposition, ULONG options, ULONG attributes = 0) {
  NtOpen out;
  const NtCreateFileFn create = nt_create_file();
  if (!create || !is_element(name)) return out;
  std::wstring buffer(name.begin(), name.end());
  UNICODE_STRING uname;
  uname.Buffer = buffer.data();
  uname.Length = static_cast<USHORT>(buffer.size() * sizeof(wchar_t));
  uname.MaximumLength = uname.Length;
  OBJECT_ATTRIBUTES attr;
  InitializeObjectAttributes(&attr, &uname, OBJ_CASE_INSENSITIVE, folder, nullptr);
  IO_STATUS_BLOCK io{};
  HANDLE h = INVALID_HANDLE_VALUE;
  out.status = create(&h, access | SYNCHRONIZE, &attr, &io, nullptr, attributes, share, disposition,
                      options | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
  if (out.status >= 0) out.handle = h;
  return out;
}

bool is_missing(NTSTATUS s) {
  return s == kNameNotFound || s == kPathNotFound;
}

bool attribute_tag(HANDLE h, FILE_ATTRIBUTE_TAG_INFO& info) {
  return GetFileInformationByHandleEx(h, FileAttributeTagInfo, &info, sizeof info) != 0;
}

bool same_volume(HANDLE a, HANDLE b) {
  BY_HANDLE_FILE_INFORMATION ia{};
  BY_HANDLE_FILE_INFORMATION ib{};
  return GetFileInformationByHandle(a, &ia) && GetFileInformationByHandle(b, &ib) &&
         ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber;
}

constexpr ULONG kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr ACCESS_MASK kFolderAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES;

std::optional<std::wstring> raw_final_path(HANDLE h) {
  std::vector<wchar_t> buf(MAX_PATH + 1);
  for (int attempt = 0; attempt < 2; ++attempt) {
    const DWORD n = GetFinalPathNameByHandleW(h, buf.data(), static_cast<DWORD>(buf.size()),
                                              FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0) return std::nullopt;
    if (n < buf.size()) return std::wstring(buf.data(), n);
    buf.resize(static_cast<std::size_t>(n) + 1);
  }
  return std::nullopt;
}

// "\\?\C:\x" becomes "C:\x" and "\\?\UNC\srv\share" becomes "\\srv\share", the forms users type
// and the containment test compares against.
std::u16string without_long_prefix(std::u16string path) {
  if (path.starts_with(u"\\\\?\\UNC\\")) return u"\\\\" + path.substr(8);
  if (path.size() >= 6 && path.starts_with(u"\\\\?\\") && path[5] == u':') return path.substr(4);
  return path;
}

// Renames the opened file to name inside the opened folder. The new name is given relative to
// the folder's handle, so the file cannot land anywhere else. Where the system refuses a
// relative rename target (Wine does), the folder's current full path is used instead and the
// file's own final path is checked afterwards, so a folder swapped in between is reported.
bool rename_within(HANDLE file, HANDLE folder, std::u16string_view name) {
  const auto rename_to = [&](HANDLE root, std::wstring_view target) {
    const std::size_t bytes = target.size() * sizeof(wchar_t);
    std::vector<unsigned char> buf(sizeof(FILE_RENAME_INFO) + bytes);
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buf.data());
    info->ReplaceIfExists = TRUE;
    info->RootDirectory = root;
    info->FileNameLength = static_cast<DWORD>(bytes);
    std::memcpy(info->FileName, target.data(), bytes);
    return SetFileInformationByHandle(file, FileRenameInfo, info, static_cast<DWORD>(buf.size())) !=
           0;
  };
  const std::wstring leaf(name.begin(), name.end());
  if (rename_to(folder, leaf)) return true;
  if (GetLastError() != ERROR_INVALID_PARAMETER) return false;

  const auto folder_path = raw_final_path(folder);
  if (!folder_path || !folder_path->starts_with(L"\\\\?\\")) return false;
  // "\\?\C:\x" in the system's own namespace is "\??\C:\x".
  std::wstring target = L"\\??\\" + folder_path->substr(4);
  if (target.back() != L'\\') target += L'\\';
  target += leaf;
  if (!rename_to(nullptr, target)) return false;
  const auto landed = raw_final_path(file);
  const auto folder_now = raw_final_path(folder);
  if (!landed || !folder_now) return false;
  std::wstring expected = *folder_now;
  if (expected.back() != L'\\') expected += L'\\';
  expected += leaf;
  return CompareStringOrdinal(landed->c_str(), static_cast<int>(landed->size()), expected.c_str(),
                              static_cast<int>(expected.size()), TRUE) == CSTR_EQUAL;
}

struct Win32ResourceFs final : ResourceFs {
  PathStyle path_style() const override { return PathStyle::windows; }

  OpenedFolder open_root_folder(std::u16string_view absolute_path) override {
    if (!is_absolute_fivem_folder(absolute_path, PathStyle::windows) ||
        absolute_path.find(u'\0') != std::u16string_view::npos)
      return {OpenStatus::error, -1};
    const std::wstring path(absolute_path.begin(), absolute_path.end());
    // Links on the way are followed here: this is the folder the user chose.
    const HANDLE h = CreateFileW(path.c_str(), kFolderAccess, kShareAll, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      const DWORD e = GetLastError();
      if (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND || e == ERROR_BAD_NETPATH ||
          e == ERROR_BAD_NET_NAME || e == ERROR_INVALID_NAME)
        return {OpenStatus::missing, -1};
      if (e == ERROR_DIRECTORY) return {OpenStatus::not_folder, -1};
      return {OpenStatus::error, -1};
    }
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (!attribute_tag(h, tag)) {
      CloseHandle(h);
      return {OpenStatus::error, -1};
    }
    if (!(tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      CloseHandle(h);
      return {OpenStatus::not_folder, -1};
    }
    return {OpenStatus::ok, from_handle(h)};
  }

  EntryKind entry_kind(FolderHandle folder, std::u16string_view name) override {
    if (!is_element(name)) return EntryKind::error;
    const HANDLE parent = to_handle(folder);
    const NtOpen o = open_relative(parent, name, FILE_READ_ATTRIBUTES, kShareAll, FILE_OPEN,
                                   FILE_OPEN_REPARSE_POINT | FILE_OPEN_FOR_BACKUP_INTENT);
    if (!o.ok()) return is_missing(o.status) ? EntryKind::missing : EntryKind::error;
    FILE_ATTRIBUTE_TAG_INFO tag{};
    EntryKind kind = EntryKind::error;
    if (attribute_tag(o.handle, tag)) {
      if (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        kind = EntryKind::reparse_point;
      } else if (tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        kind = same_volume(parent, o.handle) ? EntryKind::folder : EntryKind::reparse_point;
      } else if (tag.FileAttributes & FILE_ATTRIBUTE_DEVICE) {
        kind = EntryKind::other;
      } else {
        kind = EntryKind::file;
      }
    }
    CloseHandle(o.handle);
    return kind;
  }

  OpenedFolder open_folder(FolderHandle parent, std::u16string_view name) override {
    const HANDLE p = to_handle(parent);
    // The link itself is opened, never what it points at, and then refused.
    const NtOpen o =
        open_relative(p, name, kFolderAccess, kShareAll, FILE_OPEN,
                      FILE_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT | FILE_OPEN_FOR_BACKUP_INTENT);
    if (!o.ok()) {
      if (is_missing(o.status)) return {OpenStatus::missing, -1};
      if (o.status == kNotADirectory) return {OpenStatus::not_folder, -1};
      return {OpenStatus::error, -1};
    }
    FILE_ATTRIBUTE_TAG_INFO tag{};
    OpenStatus status = OpenStatus::ok;
    if (!attribute_tag(o.handle, tag)) {
      status = OpenStatus::error;
    } else if (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      status = OpenStatus::reparse_point;
    } else if (!(tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      status = OpenStatus::not_folder;
    } else if (!same_volume(p, o.handle)) {
      status = OpenStatus::reparse_point;
    }
    if (status != OpenStatus::ok) {
      CloseHandle(o.handle);
      return {status, -1};
    }
    return {OpenStatus::ok, from_handle(o.handle)};
  }

  bool create_folder(FolderHandle parent, std::u16string_view name) override {
    const NtOpen o =
        open_relative(to_handle(parent), name, FILE_LIST_DIRECTORY, kShareAll, FILE_CREATE,
                      FILE_DIRECTORY_FILE | FILE_OPEN_FOR_BACKUP_INTENT, FILE_ATTRIBUTE_NORMAL);
    if (!o.ok()) return false;
    CloseHandle(o.handle);
    return true;
  }

  std::optional<std::u16string> final_path(FolderHandle folder) override {
    const auto raw = raw_final_path(to_handle(folder));
    if (!raw) return std::nullopt;
    return without_long_prefix(std::u16string(raw->begin(), raw->end()));
  }

  void close_folder(FolderHandle folder) override { CloseHandle(to_handle(folder)); }

  // Folder handles here carry no write access, which flushing a folder needs. The entries are
  // made durable instead by the write-through creates and by flushing each renamed file, which
  // commits the volume's journal with it.
  bool flush_folder(FolderHandle) override { return true; }

  std::optional<FileHandle> create_new_file(FolderHandle folder,
                                            std::u16string_view name) override {
    // FILE_CREATE fails on any existing name, links and folders included; no sharing while the
    // staging content is written.
    const NtOpen o =
        open_relative(to_handle(folder), name, GENERIC_WRITE, 0, FILE_CREATE,
                      FILE_NON_DIRECTORY_FILE | FILE_WRITE_THROUGH | FILE_OPEN_REPARSE_POINT,
                      FILE_ATTRIBUTE_NORMAL);
    if (!o.ok()) return std::nullopt;
    return from_handle(o.handle);
  }

  std::size_t write_file(FileHandle file, const char* data, std::size_t size) override {
    const DWORD len =
        static_cast<DWORD>(std::min<std::size_t>(size, std::numeric_limits<DWORD>::max()));
    DWORD written = 0;
    if (!WriteFile(to_handle(file), data, len, &written, nullptr)) return 0;
    return written;
  }

  // Write-through files have nothing to start early.
  void begin_flush(FileHandle) override {}

  bool flush_file(FileHandle file) override { return FlushFileBuffers(to_handle(file)) != 0; }

  bool close_file(FileHandle file) override { return CloseHandle(to_handle(file)) != 0; }

  void remove_file(FolderHandle folder, std::u16string_view name) override {
    const NtOpen o =
        open_relative(to_handle(folder), name, DELETE | FILE_READ_ATTRIBUTES, kShareAll, FILE_OPEN,
                      FILE_NON_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT);
    if (!o.ok()) return;
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    SetFileInformationByHandle(o.handle, FileDispositionInfo, &disposition, sizeof disposition);
    CloseHandle(o.handle);
  }

  bool replace_file(FolderHandle folder, std::u16string_view from,
                    std::u16string_view to) override {
    if (!is_element(to)) return false;
    const HANDLE dir = to_handle(folder);
    const NtOpen o = open_relative(dir, from, DELETE | GENERIC_WRITE | FILE_READ_ATTRIBUTES, 0,
                                   FILE_OPEN, FILE_NON_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT);
    if (!o.ok()) return false;
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (!attribute_tag(o.handle, tag) || (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      CloseHandle(o.handle);
      return false;
    }
    bool ok = rename_within(o.handle, dir, to);
    // What MOVEFILE_WRITE_THROUGH waits for: the move is on disk before this returns.
    ok = ok && FlushFileBuffers(o.handle) != 0;
    CloseHandle(o.handle);
    return ok;
  }

  std::uint32_t process_id() override { return GetCurrentProcessId(); }

  std::uint64_t tick_ms() override { return GetTickCount64(); }
};

}  // namespace

std::unique_ptr<ResourceFs> make_resource_fs() {
  return std::make_unique<Win32ResourceFs>();
}

}  // namespace vantiro::platform
