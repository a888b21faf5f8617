#!/usr/bin/env bash
# Signs a Linux release executable the way the studio checks one: the whole file, then a
# detached CMS signature (DER) over it, then the signature's length as 8 bytes little endian,
# then the line "~Vantiro signature appended~".
#
#   scripts/sign-release.sh --cert PEM --key PEM [--chain PEM] IN OUT
#
# --cert is the signing certificate (the studio wants code signing and the publisher name
# "Mirsel AB"), --key its private key, --chain intermediate certificates to carry along.
# An input that already ends in a signature is refused: a signature covers the bare program.
set -euo pipefail

magic='~Vantiro signature appended~'

usage() {
  sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
}

cert='' key='' chain=''
while [ $# -gt 0 ]; do
  case "$1" in
    --cert) cert=${2:-}; shift 2 || usage ;;
    --key) key=${2:-}; shift 2 || usage ;;
    --chain) chain=${2:-}; shift 2 || usage ;;
    --help) usage ;;
    --*) usage ;;
    *) break ;;
  esac
done
if [ $# -ne 2 ] || [ -z "$cert" ] || [ -z "$key" ]; then usage; fi
in=$1 out=$2
[ -f "$in" ] || { echo "sign-release: $in is not a file" >&2; exit 1; }

if [ "$(tail -c $((${#magic} + 1)) "$in" | od -An -c | tr -d ' \n')" = \
  "$(printf '%s\n' "$magic" | od -An -c | tr -d ' \n')" ]; then
  echo "sign-release: $in is already signed" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

chain_args=()
[ -n "$chain" ] && chain_args=(-certfile "$chain")
openssl cms -sign -binary -md sha256 -in "$in" -signer "$cert" -inkey "$key" \
  "${chain_args[@]}" -outform DER -out "$work/signature.der"

length=$(stat -c %s "$work/signature.der")
: >"$work/length"
for i in 0 1 2 3 4 5 6 7; do
  # shellcheck disable=SC2059 # the octal escape is the format
  printf "\\$(printf '%03o' $(((length >> (8 * i)) & 255)))" >>"$work/length"
done

cat "$in" "$work/signature.der" "$work/length" >"$work/signed"
printf '%s\n' "$magic" >>"$work/signed"
chmod --reference="$in" "$work/signed"
mv "$work/signed" "$out"
