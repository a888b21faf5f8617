#include "http_util.h"

#include <openssl/evp.h>
#include <openssl/rand.h>
#include <openssl/sha.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace vantiro::devservice {
namespace {

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::string lower_ascii(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

bool is_service_host_name(std::string_view host, std::string_view service_host) {
  const std::string h = lower_ascii(host);
  return h == service_host || h == "www." + std::string(service_host);
}

// "name" or "name:digits"; IPv6 literals are never the service.
std::optional<std::string_view> host_without_port(std::string_view authority) {
  if (authority.empty() || authority.front() == '[') return std::nullopt;
  const auto colon = authority.find(':');
  if (colon == std::string_view::npos) return authority;
  const std::string_view port = authority.substr(colon + 1);
  if (port.empty()) return std::nullopt;
  for (char c : port) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  return authority.substr(0, colon);
}

std::string to_hex(const unsigned char* data, std::size_t n) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(n * 2);
  for (std::size_t i = 0; i < n; ++i) {
    out.push_back(kDigits[data[i] >> 4]);
    out.push_back(kDigits[data[i] & 15]);
  }
  return out;
}

}  // namespace

std::string_view lang_prefix(Lang lang) {
  return lang == Lang::sv ? "/sv" : "/en";
}

std::optional<LangPath> split_lang_path(std::string_view path) {
  Lang lang;
  if (path.starts_with("/sv")) {
    lang = Lang::sv;
  } else if (path.starts_with("/en")) {
    lang = Lang::en;
  } else {
    return std::nullopt;
  }
  const std::string_view rest = path.substr(3);
  if (rest.empty()) return LangPath{lang, "/"};
  if (rest.front() != '/') return std::nullopt;  // "/svx" is not a language
  return LangPath{lang, std::string(rest)};
}

std::string html_escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out.push_back(c);
    }
  }
  return out;
}

std::optional<std::string> cookie_value(std::string_view header, std::string_view name) {
  while (!header.empty()) {
    const auto semi = header.find(';');
    const std::string_view part = trim(header.substr(0, semi));
    header = semi == std::string_view::npos ? std::string_view() : header.substr(semi + 1);
    const auto eq = part.find('=');
    if (eq == std::string_view::npos) continue;
    if (trim(part.substr(0, eq)) == name) return std::string(trim(part.substr(eq + 1)));
  }
  return std::nullopt;
}

bool is_local_return_path(std::string_view target) {
  if (target.empty() || target.front() != '/') return false;
  // "//host" and "/\host" are read by browsers as another host.
  if (target.size() > 1 && (target[1] == '/' || target[1] == '\\')) return false;
  for (char c : target) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x21 || u == 0x7f || c == '\\') return false;
  }
  return target.size() <= 512;
}

bool is_service_origin_header(std::string_view origin, std::string_view service_host) {
  constexpr std::string_view kScheme = "https://";
  if (!origin.starts_with(kScheme)) return false;
  const auto host = host_without_port(origin.substr(kScheme.size()));
  return host && is_service_host_name(*host, service_host);
}

bool is_service_host_header(std::string_view host_header, std::string_view service_host) {
  const auto host = host_without_port(trim(host_header));
  return host && is_service_host_name(*host, service_host);
}

std::string random_hex(std::size_t bytes) {
  std::vector<unsigned char> buf(bytes);
  if (RAND_bytes(buf.data(), static_cast<int>(buf.size())) != 1) {
    // A session id from a broken generator would be guessable; better to stop.
    std::fputs("devservice: the random generator failed\n", stderr);
    std::abort();
  }
  return to_hex(buf.data(), buf.size());
}

std::string sha256_hex(std::string_view bytes) {
  unsigned char digest[SHA256_DIGEST_LENGTH];
  SHA256(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), digest);
  return to_hex(digest, sizeof digest);
}

std::string base64_encode(std::string_view bytes) {
  std::string out(4 * ((bytes.size() + 2) / 3), '\0');
  // EVP_EncodeBlock takes an int length; feed it in pieces that are multiples of 3.
  constexpr std::size_t kPiece = 3 * 1024 * 1024;
  std::size_t in = 0;
  std::size_t at = 0;
  while (in < bytes.size()) {
    const std::size_t n = std::min(kPiece, bytes.size() - in);
    const int written = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data() + at),
                                        reinterpret_cast<const unsigned char*>(bytes.data() + in),
                                        static_cast<int>(n));
    at += static_cast<std::size_t>(written);
    in += n;
  }
  out.resize(at);
  return out;
}

}  // namespace vantiro::devservice
