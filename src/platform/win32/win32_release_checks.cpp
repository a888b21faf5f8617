#include <windows.h>

#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <string>

#include "common/utf.h"
#include "platform/update_ports.h"
#include "platform/win32/win32_held_file.h"

// Older SDK headers lack this provider flag.
#ifndef WTD_DISABLE_MD2_MD4
#define WTD_DISABLE_MD2_MD4 0x00002000
#endif

namespace vantiro::platform {
namespace {

// Authenticode trust for the held file, then the signer's display name, exactly.
bool publisher_ok(HANDLE file, const Path& path) {
  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  WINTRUST_FILE_INFO file_info{};
  file_info.cbStruct = sizeof file_info;
  file_info.pcwszFilePath = path.c_str();
  file_info.hFile = file;
  WINTRUST_DATA data{};
  data.cbStruct = sizeof data;
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = WTD_REVOKE_WHOLECHAIN;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &file_info;
  data.dwStateAction = WTD_STATEACTION_VERIFY;
  data.dwProvFlags = WTD_REVOCATION_CHECK_CHAIN | WTD_DISABLE_MD2_MD4;
  const LONG trust = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
  bool ok = false;
  if (trust == ERROR_SUCCESS) {
    CRYPT_PROVIDER_DATA* provider = WTHelperProvDataFromStateData(data.hWVTStateData);
    CRYPT_PROVIDER_SGNR* signer =
        provider ? WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0) : nullptr;
    if (signer && signer->csCertChain > 0 && signer->pasCertChain &&
        signer->pasCertChain[0].pCert) {
      // 11 units: a longer name would be cut and must not pass as "Mirsel AB".
      wchar_t name[11] = {};
      const DWORD n = CertGetNameStringW(signer->pasCertChain[0].pCert,
                                         CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name, 11);
      ok = n == 10 && std::wstring_view(name) == L"Mirsel AB";
    }
  }
  data.dwStateAction = WTD_STATEACTION_CLOSE;
  WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
  return ok;
}

std::u16string version_of(const Path& path) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return {};
  std::string block(size, '\0');
  if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return {};
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &length) || !info ||
      length < 52 || info->dwSignature != 0xFEEF04BD)
    return {};
  if (LOWORD(info->dwProductVersionLS) != 0) return {};
  return to_utf16(std::to_string(HIWORD(info->dwProductVersionMS)) + "." +
                  std::to_string(LOWORD(info->dwProductVersionMS)) + "." +
                  std::to_string(HIWORD(info->dwProductVersionLS)));
}

class Win32ReleaseChecks final : public update::ReleaseChecks {
 public:
  bool authenticode_publisher_ok(update::HeldFile& file, std::string_view) override {
    auto* held = dynamic_cast<Win32HeldFile*>(&file);
    return held && publisher_ok(held->handle(), held->path());
  }
  std::u16string product_version_of(update::HeldFile& file, std::string_view) override {
    // The version resource is read by path; the held handle keeps writers out meanwhile.
    auto* held = dynamic_cast<Win32HeldFile*>(&file);
    return held ? version_of(held->path()) : std::u16string();
  }
};

}  // namespace

std::unique_ptr<update::ReleaseChecks> make_release_checks() {
  return std::make_unique<Win32ReleaseChecks>();
}

}  // namespace vantiro::platform
