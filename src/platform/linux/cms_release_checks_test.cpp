#include "platform/linux/cms_release_checks.h"

#include <openssl/cms.h>
#include <openssl/evp.h>

#include <gtest/gtest.h>

#include "platform/linux/test_pki.h"
#include "platform/ports.h"
#include "platform/update_ports.h"
#include "update/verify.h"

namespace vantiro::platform {
namespace {

using namespace vantiro::platform::testing;

void put_le(std::string& out, std::size_t at, std::uint64_t v, int width) {
  for (int i = 0; i < width; ++i)
    out[at + static_cast<std::size_t>(i)] = static_cast<char>(v >> (8 * i));
}

// A minimal ELF64 image: header, one note section with the given notes, the section table.
std::string elf_with_notes(const std::vector<std::array<std::uint16_t, 4>>& versions,
                           std::uint32_t type = kVersionNoteType) {
  std::string notes;
  for (const auto& v : versions) {
    std::string n(12 + 8 + 8, '\0');
    put_le(n, 0, 8, 4);
    put_le(n, 4, 8, 4);
    put_le(n, 8, type, 4);
    n.replace(12, 8, std::string("Vantiro\0", 8));
    for (int i = 0; i < 4; ++i)
      put_le(n, 20 + 2 * static_cast<std::size_t>(i), v[static_cast<std::size_t>(i)], 2);
    notes += n;
  }
  std::string image(64, '\0');
  image.replace(0, 4,
                "\x7f"
                "ELF");
  image[4] = 2;
  image[5] = 1;
  image[6] = 1;
  const std::size_t notes_at = image.size();
  image += notes;
  image += std::string(1000, 'c');  // stands in for code
  const std::size_t shoff = image.size();
  std::string sections(128, '\0');  // the null section, then the note section
  put_le(sections, 64 + 4, 7, 4);
  put_le(sections, 64 + 0x18, notes_at, 8);
  put_le(sections, 64 + 0x20, notes.size(), 8);
  image += sections;
  put_le(image, 0x28, shoff, 8);
  put_le(image, 0x3a, 64, 2);
  put_le(image, 0x3c, 2, 2);
  return image;
}

std::string sign(const std::string& payload, X509* cert, EVP_PKEY* key, X509* extra = nullptr) {
  BIO* data = BIO_new_mem_buf(payload.data(), static_cast<int>(payload.size()));
  STACK_OF(X509)* chain = sk_X509_new_null();
  if (extra) sk_X509_push(chain, extra);
  CMS_ContentInfo* cms = CMS_sign(cert, key, chain, data, CMS_BINARY | CMS_DETACHED);
  BIO* out = BIO_new(BIO_s_mem());
  i2d_CMS_bio(out, cms);
  char* p = nullptr;
  const long n = BIO_get_mem_data(out, &p);
  std::string der(p, static_cast<std::size_t>(n));
  BIO_free(out);
  CMS_ContentInfo_free(cms);
  sk_X509_free(chain);
  BIO_free(data);
  std::string signed_image = payload + der;
  std::string length(8, '\0');
  put_le(length, 0, der.size(), 8);
  return signed_image + length + std::string(kSignatureMagic);
}

struct NoHeld final : update::HeldFile {
  std::optional<std::uint64_t> regular_file_size() override { return std::nullopt; }
  std::optional<std::string> read_all(std::size_t) override { return std::nullopt; }
};

class CmsReleaseChecksTest : public ::testing::Test {
 protected:
  Cert leaf(const std::string& cn, const std::string& eku, X509* issuer, EVP_PKEY* issuer_key) {
    return make_cert({cn, false, {}, {}, eku}, signer_key.get(), issuer, issuer_key);
  }
  TempDir dir;
  Pkey ca_key = make_key();
  Cert ca = make_cert({"Vantiro Test Code Root", true, {}, {}, ""}, ca_key.get(), nullptr, nullptr);
  Pkey other_ca_key = make_key();
  Cert other_ca =
      make_cert({"Someone Else Root", true, {}, {}, ""}, other_ca_key.get(), nullptr, nullptr);
  Pkey signer_key = make_key();
  Cert publisher = leaf("Mirsel AB", "codeSigning", ca.get(), ca_key.get());
  Path ca_file = dir.path() / "roots.pem";
  std::unique_ptr<update::ReleaseChecks> checks;
  NoHeld held;
  void SetUp() override {
    write_text_file(ca_file, cert_pem(ca.get()));
    checks = make_cms_release_checks(ca_file.string());
  }
};

TEST_F(CmsReleaseChecksTest, AcceptsOnlyTheTrustedPublisherSigningCode) {
  const std::string payload = elf_with_notes({{1, 9, 10, 0}});
  Pkey inter_key = make_key();
  Cert intermediate = make_cert({"Vantiro Test Code CA", true, {}, {}, ""}, inter_key.get(),
                                ca.get(), ca_key.get());
  Cert via_intermediate = leaf("Mirsel AB", "codeSigning", intermediate.get(), inter_key.get());
  Cert trailing_space = leaf("Mirsel AB ", "codeSigning", ca.get(), ca_key.get());
  Cert longer = leaf("Mirsel ABX", "codeSigning", ca.get(), ca_key.get());
  Cert lower = leaf("mirsel ab", "codeSigning", ca.get(), ca_key.get());
  Cert server_only = leaf("Mirsel AB", "serverAuth", ca.get(), ca_key.get());
  Cert no_eku = leaf("Mirsel AB", "", ca.get(), ca_key.get());
  Cert untrusted = leaf("Mirsel AB", "codeSigning", other_ca.get(), other_ca_key.get());
  struct Case {
    const char* label;
    std::string image;
    bool ok;
  };
  std::string tampered = sign(payload, publisher.get(), signer_key.get());
  tampered[100] ^= 1;
  std::string extended = sign(payload, publisher.get(), signer_key.get());
  extended.insert(0, "X");
  const std::string good = sign(payload, publisher.get(), signer_key.get());
  std::string bad_length = good;
  put_le(bad_length, bad_length.size() - kSignatureMagic.size() - 8, good.size() * 2, 8);
  const Case cases[] = {
      {"signed by the publisher", good, true},
      {"through an intermediate",
       sign(payload, via_intermediate.get(), signer_key.get(), intermediate.get()), true},
      {"intermediate not sent", sign(payload, via_intermediate.get(), signer_key.get()), false},
      {"unsigned", payload, false},
      {"name with a trailing space", sign(payload, trailing_space.get(), signer_key.get()), false},
      {"longer name", sign(payload, longer.get(), signer_key.get()), false},
      {"other case", sign(payload, lower.get(), signer_key.get()), false},
      {"not for code signing", sign(payload, server_only.get(), signer_key.get()), false},
      {"no key usage", sign(payload, no_eku.get(), signer_key.get()), false},
      {"untrusted root", sign(payload, untrusted.get(), signer_key.get()), false},
      {"one payload byte changed", tampered, false},
      {"a byte put in front", extended, false},
      {"length past the start", bad_length, false},
      {"trailer only", std::string(8, '\0') + std::string(kSignatureMagic), false},
      {"empty", "", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(checks->authenticode_publisher_ok(held, c.image), c.ok) << c.label;
}

TEST_F(CmsReleaseChecksTest, TheSystemStoreDoesNotTrustATestRoot) {
  const std::string image =
      sign(elf_with_notes({{1, 9, 10, 0}}), publisher.get(), signer_key.get());
  EXPECT_TRUE(checks->authenticode_publisher_ok(held, image));
  EXPECT_FALSE(make_release_checks()->authenticode_publisher_ok(held, image));
}

TEST_F(CmsReleaseChecksTest, ReadsTheVersionNoteOfTheSignedPart) {
  struct Case {
    const char* label;
    std::string payload;
    std::u16string version;
  };
  const Case cases[] = {
      {"plain", elf_with_notes({{1, 9, 10, 0}}), u"1.9.10"},
      {"large fields", elf_with_notes({{65535, 0, 7, 0}}), u"65535.0.7"},
      {"fourth field set", elf_with_notes({{1, 9, 10, 1}}), u""},
      {"two notes", elf_with_notes({{1, 9, 10, 0}, {1, 9, 10, 0}}), u""},
      {"no note", elf_with_notes({}), u""},
      {"other note type", elf_with_notes({{1, 9, 10, 0}}, 1), u""},
      {"not ELF", std::string(2000, 'M'), u""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(elf_product_version(c.payload), c.version) << c.label;
    EXPECT_EQ(checks->product_version_of(held, sign(c.payload, publisher.get(), signer_key.get())),
              c.version)
        << c.label;
  }
  // Without a signature trailer there is no signed part to read a version from.
  EXPECT_EQ(checks->product_version_of(held, elf_with_notes({{1, 9, 10, 0}})), u"");
  // A truncated section table is refused, never read past the end.
  std::string cut = elf_with_notes({{1, 9, 10, 0}});
  cut.resize(cut.size() - 10);
  EXPECT_EQ(elf_product_version(cut), u"");
}

TEST(OwnVersionNote, ThisProgramCarriesTheBuildVersion) {
  ASSERT_TRUE(own_version_note_present());
  const std::string self = read_text_file("/proc/self/exe");
  EXPECT_EQ(elf_product_version(self), u"1.9.4");
}

// Real files, real signatures, the whole verification: every failure leaves no file behind.
TEST_F(CmsReleaseChecksTest, VerificationOfRealFixturesStagesOnlyTheRealRelease) {
  auto files = make_update_files();
  auto sha_port = make_sha256();
  Sha256& sha = *sha_port;
  Cert trailing_space = leaf("Mirsel AB ", "codeSigning", ca.get(), ca_key.get());
  Cert longer = leaf("Mirsel ABX", "codeSigning", ca.get(), ca_key.get());
  Cert untrusted = leaf("Mirsel AB", "codeSigning", other_ca.get(), other_ca_key.get());
  const std::string release =
      sign(elf_with_notes({{1, 9, 10, 0}}), publisher.get(), signer_key.get());
  struct Case {
    const char* label;
    std::string image;
    std::u16string version;
    std::string digest;   // empty: the image's own
    std::uint64_t bytes;  // 0: the image's size
    update::VerifyResult expected;
  };
  const Case cases[] = {
      {"the release", release, u"1.9.10", "", 0, update::VerifyResult::ok},
      {"wrong digest", release, u"1.9.10", std::string(64, '0'), 0,
       update::VerifyResult::wrong_digest},
      {"wrong size", release, u"1.9.10", "", release.size() + 1, update::VerifyResult::wrong_size},
      {"unsigned", elf_with_notes({{1, 9, 10, 0}}), u"1.9.10", "", 0,
       update::VerifyResult::unsigned_or_foreign},
      {"untrusted CA", sign(elf_with_notes({{1, 9, 10, 0}}), untrusted.get(), signer_key.get()),
       u"1.9.10", "", 0, update::VerifyResult::unsigned_or_foreign},
      {"\"Mirsel AB \"",
       sign(elf_with_notes({{1, 9, 10, 0}}), trailing_space.get(), signer_key.get()), u"1.9.10", "",
       0, update::VerifyResult::unsigned_or_foreign},
      {"\"Mirsel ABX\"", sign(elf_with_notes({{1, 9, 10, 0}}), longer.get(), signer_key.get()),
       u"1.9.10", "", 0, update::VerifyResult::unsigned_or_foreign},
      {"built as 1.9.5, offered as 1.9.10",
       sign(elf_with_notes({{1, 9, 5, 0}}), publisher.get(), signer_key.get()), u"1.9.10", "", 0,
       update::VerifyResult::wrong_version},
      {"equal version", sign(elf_with_notes({{1, 9, 4, 0}}), publisher.get(), signer_key.get()),
       u"1.9.4", "", 0, update::VerifyResult::not_newer},
      {"older version", sign(elf_with_notes({{1, 6, 1, 0}}), publisher.get(), signer_key.get()),
       u"1.6.1", "", 0, update::VerifyResult::not_newer},
  };
  for (const auto& c : cases) {
    const Path temp = dir.path() / "Vantiro-update-{F}.tmp";
    {
      auto d = files->create_download(temp);
      ASSERT_TRUE(d) << c.label;
      ASSERT_TRUE(d->write(c.image));
      ASSERT_TRUE(d->finish());
    }
    auto staged = std::make_unique<update::StagedUpdate>(
        *files, c.version, c.digest.empty() ? sha.sha256_hex(c.image) : c.digest,
        c.bytes ? c.bytes : c.image.size(), temp);
    const auto got = update::verify_staged_update(*staged, sha, *checks, u"1.9.4");
    EXPECT_EQ(got, c.expected) << c.label << ": " << update::code(got);
    EXPECT_EQ(staged->holds_file(), c.expected == update::VerifyResult::ok) << c.label;
    staged.reset();
    EXPECT_FALSE(std::filesystem::exists(temp)) << c.label;
  }
}

}  // namespace
}  // namespace vantiro::platform
