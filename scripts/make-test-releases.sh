#!/usr/bin/env bash
# Makes the releases that the update tests offer through the stand-in service, and a test
# PKI to sign them, from two builds of one program: CURRENT built with the project's version
# and NEWER built with a newer one (scripts/build-version.sh). Both must carry the version
# note; each file's version is read from it.
#
#   scripts/make-test-releases.sh [--strip] OUTDIR CURRENT NEWER
#
# --strip drops debug information from copies before signing: the studio installs only
# releases of 64 KiB to 50 MiB, which a sanitizer debug build can outgrow.
#
# OUTDIR gets:
#   trusted-root.pem   the root of the "Mirsel AB" and "Someone Else AB" code-signing
#                      certificates; give it to scripts/with-service.sh --trust so that the
#                      system trust store inside the namespace holds it
#   pki/               those certificates and keys, and a "Mirsel AB" one under a root that
#                      nothing trusts
#   *.bin              the releases
#   releases.txt       one line per case: NAME FILE VERSION MODE BYTES SHA256 VERDICT
# Each case is offered with --release-file FILE --release-version VERSION --release-mode MODE
# (or the same fields posted to /_devservice/release); the status document then names
# VERSION (the next patch for wrong-version), SHA256 and BYTES (with the last hex digit
# changed for wrong-digest, one more byte for wrong-size). VERDICT is what a studio of the
# current version does with it, as vantiro_update_probe names it: "staged" installs, every
# other one leaves the running build in place.
set -euo pipefail

usage() {
  sed -n '2,25p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
}

strip_debug=
if [ "${1:-}" = "--strip" ]; then
  strip_debug=1
  shift
fi
[ $# -eq 3 ] || usage
out=$1 current=$2 newer=$3
sign=$(cd "$(dirname "$0")" && pwd)/sign-release.sh

# "major.minor.patch" from the "Vantiro" note (four 16-bit fields, little endian).
version_of() {
  local data
  data=$(readelf -n -W "$1" 2>/dev/null |
    awk '$1 == "Vantiro" && /0x00005601/ { found = 1 }
         found && /description data:/ { sub(/.*description data: */, ""); print; exit }')
  # shellcheck disable=SC2086 # one field per byte
  set -- $data
  [ $# -ge 8 ] && [ "$7$8" = 0000 ] || return 1
  echo "$((0x$2$1)).$((0x$4$3)).$((0x$6$5))"
}

current_version=$(version_of "$current") || {
  echo "make-test-releases: $current carries no version note" >&2
  exit 1
}
newer_version=$(version_of "$newer") || {
  echo "make-test-releases: $newer carries no version note" >&2
  exit 1
}
if [ "$(printf '%s\n%s\n' "$current_version" "$newer_version" | sort -V | tail -n1)" != \
  "$newer_version" ] || [ "$current_version" = "$newer_version" ]; then
  echo "make-test-releases: $newer ($newer_version) is not newer than $current" \
    "($current_version)" >&2
  exit 1
fi

mkdir -p "$out/pki"
pki=$out/pki

# --- the test PKI: a root that the test trusts, and one that nothing trusts
root() { # NAME FILE-STEM
  openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 2 \
    -subj "/CN=$1" -keyout "$pki/$2.key" -out "$pki/$2.pem" \
    -addext "basicConstraints=critical,CA:TRUE" \
    -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
}
signer() { # COMMON-NAME FILE-STEM ROOT-STEM
  openssl req -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -subj "/CN=$1" \
    -keyout "$pki/$2.key" -out "$pki/$2.csr" 2>/dev/null
  printf '%s\n' "basicConstraints=critical,CA:FALSE" "keyUsage=critical,digitalSignature" \
    "extendedKeyUsage=codeSigning" "subjectKeyIdentifier=hash" \
    "authorityKeyIdentifier=keyid" >"$pki/$2.ext"
  openssl x509 -req -in "$pki/$2.csr" -CA "$pki/$3.pem" -CAkey "$pki/$3.key" \
    -CAcreateserial -days 2 -extfile "$pki/$2.ext" -out "$pki/$2.pem" 2>/dev/null
  rm -f "$pki/$2.csr" "$pki/$2.ext"
}
root "Vantiro Test Code Root" trusted-root
root "Vantiro Untrusted Code Root" untrusted-root
signer "Mirsel AB" mirsel trusted-root
signer "Someone Else AB" someone-else trusted-root
signer "Mirsel AB" mirsel-untrusted untrusted-root
# Nothing more is issued; only the signing keys stay.
rm -f "$pki"/*-root.key "$pki"/*.srl
cp "$pki/trusted-root.pem" "$out/trusted-root.pem"

# --- the programs as they would ship
prepare() { # IN OUT
  cp "$1" "$2"
  if [ -n "$strip_debug" ]; then strip --strip-debug "$2"; fi
}
prepare "$current" "$out/current-unsigned.bin"
prepare "$newer" "$out/newer-unsigned.bin"

signed_by() { # STEM IN OUT
  "$sign" --cert "$pki/$1.pem" --key "$pki/$1.key" "$2" "$3"
}
signed_by mirsel "$out/newer-unsigned.bin" "$out/newer.bin"
signed_by someone-else "$out/newer-unsigned.bin" "$out/newer-someone-else.bin"
signed_by mirsel-untrusted "$out/newer-unsigned.bin" "$out/newer-untrusted-root.bin"
signed_by mirsel "$out/current-unsigned.bin" "$out/current.bin"

# One byte of the program changed after signing; its digest is announced as it is.
cp "$out/newer.bin" "$out/newer-tampered.bin"
at=$(($(stat -c %s "$out/newer-unsigned.bin") / 2))
byte=$(od -An -tu1 -j "$at" -N1 "$out/newer-tampered.bin" | tr -d ' ')
# shellcheck disable=SC2059 # the octal escape is the format
printf "\\$(printf '%03o' $((byte ^ 1)))" |
  dd of="$out/newer-tampered.bin" bs=1 seek="$at" conv=notrunc status=none

min=65536 max=52428800
for f in "$out"/*.bin; do
  n=$(stat -c %s "$f")
  if [ "$n" -lt "$min" ] || [ "$n" -gt "$max" ]; then
    echo "make-test-releases: $f has $n bytes; the studio installs only $min to $max" \
      "(use --strip, or a linux-release build)" >&2
    exit 1
  fi
done

next_patch=${newer_version%.*}.$((${newer_version##*.} + 1))
{
  cat <<EOF
# NAME FILE VERSION MODE BYTES SHA256 VERDICT (see scripts/make-test-releases.sh)
# current build $current_version, newer build $newer_version; wrong-version announces $next_patch
EOF
  while read -r name file version mode verdict; do
    printf '%s %s %s %s %s %s %s\n' "$name" "$file" "$version" "$mode" \
      "$(stat -c %s "$out/$file")" "$(sha256sum "$out/$file" | cut -d' ' -f1)" "$verdict"
  done <<EOF
valid newer.bin $newer_version valid staged
wrong-digest newer.bin $newer_version wrong-digest wrong-digest
wrong-size newer.bin $newer_version wrong-size download-failed
wrong-version newer.bin $newer_version wrong-version wrong-version
no-digest newer.bin $newer_version no-digest not-downloadable
someone-else newer-someone-else.bin $newer_version valid wrong-publisher
untrusted-root newer-untrusted-root.bin $newer_version valid wrong-publisher
unsigned newer-unsigned.bin $newer_version valid wrong-publisher
tampered newer-tampered.bin $newer_version valid wrong-publisher
older-build current.bin $newer_version valid wrong-version
same-version current.bin $current_version valid up-to-date
EOF
} >"$out/releases.txt"
