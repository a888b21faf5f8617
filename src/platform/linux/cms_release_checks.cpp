#include "platform/linux/cms_release_checks.h"

#include <openssl/bio.h>
#include <openssl/cms.h>
#include <openssl/err.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstring>

#include "common/utf.h"
#include "platform/update_ports.h"

namespace vantiro::platform {
namespace {

constexpr std::size_t kTrailerSize = 8 + kSignatureMagic.size();
constexpr std::uint64_t kMaxSignatureBytes = 1 << 20;

std::uint64_t read_le(std::string_view bytes, std::size_t at, int width) {
  std::uint64_t v = 0;
  for (int i = width - 1; i >= 0; --i)
    v = (v << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
  return v;
}

struct Signature {
  std::string_view payload;
  std::string_view der;
};

std::optional<Signature> split_signed(std::string_view image) {
  if (image.size() < kTrailerSize) return std::nullopt;
  if (image.substr(image.size() - kSignatureMagic.size()) != kSignatureMagic) return std::nullopt;
  const std::uint64_t length = read_le(image, image.size() - kTrailerSize, 8);
  const std::size_t before = image.size() - kTrailerSize;
  if (length == 0 || length > kMaxSignatureBytes || length > before) return std::nullopt;
  const std::size_t payload_size = before - static_cast<std::size_t>(length);
  return Signature{image.substr(0, payload_size),
                   image.substr(payload_size, static_cast<std::size_t>(length))};
}

template <typename T, void (*F)(T*)>
struct Deleter {
  void operator()(T* p) const { F(p); }
};
using BioPtr = std::unique_ptr<BIO, Deleter<BIO, BIO_free_all>>;
using CmsPtr = std::unique_ptr<CMS_ContentInfo, Deleter<CMS_ContentInfo, CMS_ContentInfo_free>>;
using StorePtr = std::unique_ptr<X509_STORE, Deleter<X509_STORE, X509_STORE_free>>;
using StoreCtxPtr = std::unique_ptr<X509_STORE_CTX, Deleter<X509_STORE_CTX, X509_STORE_CTX_free>>;

void free_cert_stack(STACK_OF(X509) * s) {
  sk_X509_pop_free(s, X509_free);
}
void free_signer_stack(STACK_OF(X509) * s) {
  sk_X509_free(s);
}
using CertStackPtr = std::unique_ptr<STACK_OF(X509), Deleter<STACK_OF(X509), free_cert_stack>>;
using SignerStackPtr = std::unique_ptr<STACK_OF(X509), Deleter<STACK_OF(X509), free_signer_stack>>;

BioPtr memory_bio(std::string_view bytes) {
  return BioPtr(BIO_new_mem_buf(bytes.data(), static_cast<int>(bytes.size())));
}

// Exactly one common name, exactly the publisher's, compared over its full length.
bool subject_is_publisher(X509* cert) {
  X509_NAME* subject = X509_get_subject_name(cert);
  const int at = X509_NAME_get_index_by_NID(subject, NID_commonName, -1);
  if (at < 0 || X509_NAME_get_index_by_NID(subject, NID_commonName, at) >= 0) return false;
  ASN1_STRING* value = X509_NAME_ENTRY_get_data(X509_NAME_get_entry(subject, at));
  unsigned char* utf8 = nullptr;
  const int n = ASN1_STRING_to_UTF8(&utf8, value);
  if (n < 0) return false;
  const bool same = std::string_view(reinterpret_cast<char*>(utf8), static_cast<std::size_t>(n)) ==
                    kPublisherName;
  OPENSSL_free(utf8);
  return same;
}

bool may_sign_code(X509* cert) {
  const std::uint32_t flags = X509_get_extension_flags(cert);
  if (!(flags & EXFLAG_XKUSAGE) || !(X509_get_extended_key_usage(cert) & XKU_CODE_SIGN))
    return false;
  if ((flags & EXFLAG_KUSAGE) && !(X509_get_key_usage(cert) & KU_DIGITAL_SIGNATURE)) return false;
  return true;
}

class CmsReleaseChecks final : public update::ReleaseChecks {
 public:
  explicit CmsReleaseChecks(std::string ca_file) : ca_file_(std::move(ca_file)) {}

  bool authenticode_publisher_ok(update::HeldFile&, std::string_view content) override {
    const bool ok = verify(content);
    ERR_clear_error();
    return ok;
  }

  std::u16string product_version_of(update::HeldFile&, std::string_view content) override {
    // Only the signed part counts; the trailer could hold anything.
    const std::string_view payload = signed_payload(content);
    return payload.empty() ? std::u16string() : elf_product_version(payload);
  }

 private:
  bool verify(std::string_view image) const {
    const auto sig = split_signed(image);
    if (!sig || sig->payload.empty()) return false;
    BioPtr der = memory_bio(sig->der);
    if (!der) return false;
    CmsPtr cms(d2i_CMS_bio(der.get(), nullptr));
    if (!cms || OBJ_obj2nid(CMS_get0_type(cms.get())) != NID_pkcs7_signed ||
        CMS_is_detached(cms.get()) != 1)
      return false;
    if (sk_CMS_SignerInfo_num(CMS_get0_SignerInfos(cms.get())) != 1) return false;

    StorePtr store(X509_STORE_new());
    if (!store) return false;
    const bool loaded = ca_file_.empty() ? X509_STORE_set_default_paths(store.get()) == 1
                                         : X509_STORE_load_file(store.get(), ca_file_.c_str()) == 1;
    if (!loaded) return false;

    // The content and the signed attributes first; the chain is checked below with the
    // code-signing rules instead of the e-mail ones the CMS layer would apply.
    BioPtr data = memory_bio(sig->payload);
    if (!data || CMS_verify(cms.get(), nullptr, store.get(), data.get(), nullptr,
                            CMS_BINARY | CMS_NO_SIGNER_CERT_VERIFY) != 1)
      return false;
    SignerStackPtr signers(CMS_get0_signers(cms.get()));
    if (!signers || sk_X509_num(signers.get()) != 1) return false;
    X509* signer = sk_X509_value(signers.get(), 0);
    if (!may_sign_code(signer) || !subject_is_publisher(signer)) return false;

    CertStackPtr untrusted(CMS_get1_certs(cms.get()));
    StoreCtxPtr ctx(X509_STORE_CTX_new());
    if (!ctx || X509_STORE_CTX_init(ctx.get(), store.get(), signer, untrusted.get()) != 1)
      return false;
    return X509_verify_cert(ctx.get()) == 1;
  }

  std::string ca_file_;
};

}  // namespace

std::string_view signed_payload(std::string_view image) {
  const auto sig = split_signed(image);
  return sig ? sig->payload : std::string_view();
}

std::u16string elf_product_version(std::string_view image) {
  // ELF64, little endian; section headers of type note.
  if (image.size() < 64 ||
      image.substr(0, 4) != std::string_view("\x7f"
                                             "ELF",
                                             4) ||
      image[4] != 2 || image[5] != 1)
    return {};
  const std::uint64_t shoff = read_le(image, 0x28, 8);
  const std::uint64_t shentsize = read_le(image, 0x3a, 2);
  const std::uint64_t shnum = read_le(image, 0x3c, 2);
  if (shentsize < 64 || shnum == 0 || shoff > image.size() ||
      shnum > (image.size() - shoff) / shentsize)
    return {};
  std::u16string found;
  int notes = 0;
  for (std::uint64_t i = 0; i < shnum; ++i) {
    const std::size_t sh = static_cast<std::size_t>(shoff + i * shentsize);
    if (read_le(image, sh + 4, 4) != 7) continue;  // SHT_NOTE
    const std::uint64_t off = read_le(image, sh + 0x18, 8);
    const std::uint64_t size = read_le(image, sh + 0x20, 8);
    if (off > image.size() || size > image.size() - off) return {};
    std::string_view notes_area =
        image.substr(static_cast<std::size_t>(off), static_cast<std::size_t>(size));
    while (notes_area.size() >= 12) {
      const std::uint64_t namesz = read_le(notes_area, 0, 4);
      const std::uint64_t descsz = read_le(notes_area, 4, 4);
      const std::uint64_t type = read_le(notes_area, 8, 4);
      const std::uint64_t name_padded = (namesz + 3) & ~std::uint64_t{3};
      const std::uint64_t desc_padded = (descsz + 3) & ~std::uint64_t{3};
      if (name_padded > notes_area.size() - 12 ||
          desc_padded > notes_area.size() - 12 - name_padded)
        return {};
      const std::string_view name = notes_area.substr(12, static_cast<std::size_t>(namesz));
      const std::string_view desc = notes_area.substr(static_cast<std::size_t>(12 + name_padded),
                                                      static_cast<std::size_t>(descsz));
      if (type == kVersionNoteType && name == std::string_view("Vantiro\0", 8)) {
        ++notes;
        if (descsz != 8 || read_le(desc, 6, 2) != 0) return {};
        found = to_utf16(std::to_string(read_le(desc, 0, 2)) + "." +
                         std::to_string(read_le(desc, 2, 2)) + "." +
                         std::to_string(read_le(desc, 4, 2)));
      }
      notes_area.remove_prefix(static_cast<std::size_t>(12 + name_padded + desc_padded));
    }
  }
  // Two notes that could disagree are no answer.
  return notes == 1 ? found : std::u16string();
}

std::unique_ptr<update::ReleaseChecks> make_cms_release_checks(std::string test_ca_file) {
  return std::make_unique<CmsReleaseChecks>(std::move(test_ca_file));
}

std::unique_ptr<update::ReleaseChecks> make_release_checks() {
  // Every program that checks releases carries its own version.
  (void)own_version_note_present();
  return make_cms_release_checks({});
}

}  // namespace vantiro::platform
