#include <windows.h>

#include <system_error>

#include "common/utf.h"
#include "platform/update_ports.h"
#include "platform/win32/win32_held_file.h"

namespace vantiro::platform {

std::optional<std::uint64_t> Win32HeldFile::regular_file_size() {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(handle_, &info)) return std::nullopt;
  if (info.dwFileAttributes &
      (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE))
    return std::nullopt;
  return (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
}

std::optional<std::string> Win32HeldFile::read_all(std::size_t max_bytes) {
  LARGE_INTEGER start{};
  if (!SetFilePointerEx(handle_, start, nullptr, FILE_BEGIN)) return std::nullopt;
  std::string out;
  char buf[64 * 1024];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(handle_, buf, sizeof buf, &got, nullptr)) return std::nullopt;
    if (got == 0) return out;
    if (got > max_bytes - out.size()) return std::nullopt;
    out.append(buf, got);
  }
}

namespace {

bool is_missing_error(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

class Win32DownloadFile final : public update::DownloadFile {
 public:
  explicit Win32DownloadFile(HANDLE h) : h_(h) {}
  ~Win32DownloadFile() override {
    if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
  }
  bool write(std::string_view bytes) override {
    while (!bytes.empty()) {
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
      DWORD written = 0;
      if (!WriteFile(h_, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
      bytes.remove_prefix(written);
    }
    return true;
  }
  bool finish() override {
    const bool flushed = FlushFileBuffers(h_) != 0;
    const bool closed = CloseHandle(h_) != 0;
    h_ = INVALID_HANDLE_VALUE;
    return flushed && closed;
  }

 private:
  HANDLE h_;
};

class Win32UpdateFiles final : public update::UpdateFiles {
 public:
  PathKind kind(const Path& path) override {
    if (path.empty()) return PathKind::missing;
    const DWORD a = GetFileAttributesW(path.c_str());
    if (a == INVALID_FILE_ATTRIBUTES)
      return is_missing_error(GetLastError()) ? PathKind::missing : PathKind::error;
    if (a & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) return PathKind::other;
    if (a & FILE_ATTRIBUTE_DIRECTORY) return PathKind::directory;
    return PathKind::regular_file;
  }

  std::unique_ptr<update::DownloadFile> create_download(const Path& path) override {
    // Nobody else may open it while it is written; every write goes through to the disk.
    const HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32DownloadFile>(h);
  }

  std::unique_ptr<update::HeldFile> open_held(const Path& path) override {
    const HANDLE h = CreateFileW(
        path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
        FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32HeldFile>(h, path);
  }

  bool remove_file(const Path& path) override {
    if (DeleteFileW(path.c_str())) return true;
    return is_missing_error(GetLastError());
  }

  bool can_create_file_in(const Path& folder, std::u16string_view probe_name) override {
    const Path probe = folder / Path(std::wstring(probe_name.begin(), probe_name.end()));
    const HANDLE h = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
  }

  bool create_directories(const Path& path) override {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    return std::filesystem::is_directory(path, ec);
  }

  bool replace_with_backup(const Path& target, const Path& replacement,
                           const Path& backup) override {
    if (!DeleteFileW(backup.c_str()) && !is_missing_error(GetLastError())) return false;
    if (!ReplaceFileW(target.c_str(), replacement.c_str(), backup.c_str(),
                      REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS, nullptr,
                      nullptr))
      return false;
    flush(target);
    return true;
  }

  bool move_replacing(const Path& from, const Path& to) override {
    return MoveFileExW(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  }

 private:
  static void flush(const Path& p) {
    const HANDLE h = CreateFileW(p.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    FlushFileBuffers(h);
    CloseHandle(h);
  }
};

// Quotes one argument the way CommandLineToArgvW reads it back.
std::wstring quote_argument(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
  std::wstring out = L"\"";
  std::size_t slashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++slashes;
      continue;
    }
    if (c == L'"')
      out.append(slashes * 2 + 1, L'\\');
    else
      out.append(slashes, L'\\');
    slashes = 0;
    out += c;
  }
  out.append(slashes * 2, L'\\');
  out += L'"';
  return out;
}

class Win32SuspendedProcess final : public update::SuspendedProcess {
 public:
  explicit Win32SuspendedProcess(PROCESS_INFORMATION pi) : pi_(pi) {}
  ~Win32SuspendedProcess() override {
    // Never leave a suspended copy behind.
    if (!resumed_ && !terminated_) TerminateProcess(pi_.hProcess, 1);
    CloseHandle(pi_.hThread);
    CloseHandle(pi_.hProcess);
  }
  bool resume() override {
    if (terminated_ || resumed_) return false;
    resumed_ = ResumeThread(pi_.hThread) != static_cast<DWORD>(-1);
    return resumed_;
  }
  void terminate(std::uint32_t wait_ms) override {
    TerminateProcess(pi_.hProcess, 1);
    WaitForSingleObject(pi_.hProcess, wait_ms);
    terminated_ = true;
  }

 private:
  PROCESS_INFORMATION pi_;
  bool resumed_ = false;
  bool terminated_ = false;
};

class Win32ProcessStarter final : public update::ProcessStarter {
 public:
  std::unique_ptr<update::SuspendedProcess> create_suspended(
      const Path& program, const std::vector<std::u16string>& arguments,
      const Path& working_folder) override {
    std::wstring line = L"\"" + program.wstring() + L"\"";
    for (const auto& a : arguments) line += L" " + quote_argument(std::wstring(a.begin(), a.end()));
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                        nullptr, working_folder.c_str(), &si, &pi))
      return nullptr;
    return std::make_unique<Win32SuspendedProcess>(pi);
  }
};

}  // namespace

std::unique_ptr<update::UpdateFiles> make_update_files() {
  return std::make_unique<Win32UpdateFiles>();
}

std::unique_ptr<update::ProcessStarter> make_process_starter() {
  return std::make_unique<Win32ProcessStarter>();
}

}  // namespace vantiro::platform
