#pragma once

// Test-only certificates made at run time: a CA, leaf certificates it issues, PEM texts.

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace vantiro::platform::testing {

struct PkeyFree {
  void operator()(EVP_PKEY* p) const { EVP_PKEY_free(p); }
};
struct X509Free {
  void operator()(X509* p) const { X509_free(p); }
};
using Pkey = std::unique_ptr<EVP_PKEY, PkeyFree>;
using Cert = std::unique_ptr<X509, X509Free>;

inline Pkey make_key() {
  return Pkey(EVP_EC_gen("P-256"));
}

struct CertProfile {
  std::string common_name;
  bool is_ca = false;
  std::vector<std::string> dns_names;
  std::vector<std::string> ip_addresses;
  std::string extended_key_usage;  // e.g. "serverAuth" or "codeSigning"; empty for none
};

inline bool add_extension(X509* cert, X509* issuer, int nid, const std::string& value) {
  X509V3_CTX ctx;
  X509V3_set_ctx_nodb(&ctx);
  X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
  X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value.c_str());
  if (!ext) return false;
  const bool ok = X509_add_ext(cert, ext, -1) == 1;
  X509_EXTENSION_free(ext);
  return ok;
}

// Issued by issuer (self-signed when issuer_cert is null).
inline Cert make_cert(const CertProfile& profile, EVP_PKEY* key, X509* issuer_cert,
                      EVP_PKEY* issuer_key) {
  Cert cert(X509_new());
  X509_set_version(cert.get(), 2);
  static std::mt19937_64 serials{std::random_device{}()};
  ASN1_INTEGER_set_int64(X509_get_serialNumber(cert.get()),
                         static_cast<std::int64_t>(serials() >> 2));
  X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600);
  X509_gmtime_adj(X509_getm_notAfter(cert.get()), 3600L * 24);
  X509_set_pubkey(cert.get(), key);
  X509_NAME* name = X509_get_subject_name(cert.get());
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8,
                             reinterpret_cast<const unsigned char*>(profile.common_name.c_str()),
                             -1, -1, 0);
  X509* issuer = issuer_cert ? issuer_cert : cert.get();
  X509_set_issuer_name(cert.get(), X509_get_subject_name(issuer));
  add_extension(cert.get(), issuer, NID_basic_constraints,
                profile.is_ca ? "critical,CA:TRUE" : "critical,CA:FALSE");
  add_extension(cert.get(), issuer, NID_key_usage,
                profile.is_ca ? "critical,keyCertSign,cRLSign" : "critical,digitalSignature");
  add_extension(cert.get(), issuer, NID_subject_key_identifier, "hash");
  if (issuer_cert) add_extension(cert.get(), issuer, NID_authority_key_identifier, "keyid");
  std::string san;
  for (const auto& d : profile.dns_names) san += (san.empty() ? "DNS:" : ",DNS:") + d;
  for (const auto& ip : profile.ip_addresses) san += (san.empty() ? "IP:" : ",IP:") + ip;
  if (!san.empty()) add_extension(cert.get(), issuer, NID_subject_alt_name, san);
  if (!profile.extended_key_usage.empty())
    add_extension(cert.get(), issuer, NID_ext_key_usage, profile.extended_key_usage);
  X509_sign(cert.get(), issuer_key ? issuer_key : key, EVP_sha256());
  return cert;
}

inline std::string cert_pem(X509* cert) {
  BIO* bio = BIO_new(BIO_s_mem());
  PEM_write_bio_X509(bio, cert);
  char* data = nullptr;
  const long n = BIO_get_mem_data(bio, &data);
  std::string out(data, static_cast<std::size_t>(n));
  BIO_free(bio);
  return out;
}

// A folder of its own under the system's temporary folder, removed with its content.
class TempDir {
 public:
  TempDir() {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() /
            ("vantiro-test-" + std::to_string(rd()) + "-" + std::to_string(rd()));
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline void write_text_file(const std::filesystem::path& p, const std::string& text) {
  std::ofstream f(p, std::ios::binary | std::ios::trunc);
  f << text;
}

inline std::string read_text_file(const std::filesystem::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::string out;
  char buf[1 << 16];
  while (f.read(buf, sizeof buf) || f.gcount() > 0)
    out.append(buf, static_cast<std::size_t>(f.gcount()));
  return out;
}

// A CA and a server certificate for "localhost" and 127.0.0.1 it issued; the CA file is
// what the client under test trusts.
struct TestServerPki {
  TempDir dir;
  Pkey ca_key = make_key();
  Cert ca = make_cert({"Vantiro Test Root", true, {}, {}, ""}, ca_key.get(), nullptr, nullptr);
  Pkey server_key = make_key();
  Cert server = make_cert({"localhost", false, {"localhost"}, {"127.0.0.1"}, "serverAuth"},
                          server_key.get(), ca.get(), ca_key.get());
  std::filesystem::path ca_file = dir.path() / "ca.pem";
  TestServerPki() { write_text_file(ca_file, cert_pem(ca.get())); }
};

}  // namespace vantiro::platform::testing
