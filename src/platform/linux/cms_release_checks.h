#pragma once

// On this host a release executable carries a detached CMS signature over all the bytes
// before it, followed by a fixed trailer: the signature's length (8 bytes, little endian) and
// kSignatureMagic. Its version is an ELF note named "Vantiro" holding four 16-bit fields.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "update/verify.h"

namespace vantiro::platform {

inline constexpr std::string_view kSignatureMagic = "~Vantiro signature appended~\n";
inline constexpr std::string_view kPublisherName = "Mirsel AB";
inline constexpr std::uint32_t kVersionNoteType = 0x5601;

// The publisher check against the system's trust store; a non-empty test_ca_file replaces
// that store with one PEM file, and only tests pass one.
std::unique_ptr<update::ReleaseChecks> make_cms_release_checks(std::string test_ca_file);

// "major.minor.patch" from the version note of an ELF image, or empty.
std::u16string elf_product_version(std::string_view image);

// The part of a signed image that its signature covers; empty when it carries no trailer.
std::string_view signed_payload(std::string_view image);

// True when this program carries its own version note (the note is kept by referencing it).
bool own_version_note_present();

}  // namespace vantiro::platform
