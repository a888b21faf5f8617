#!/usr/bin/env bash
# Tests the release tooling with the studio's own update code. Builds vantiro_update_probe
# with the project's version and, through scripts/build-version.sh, with the next patch
# version; makes the test releases and PKI (scripts/make-test-releases.sh); then offers every
# release through the stand-in service inside scripts/with-service.sh's namespace, where the
# probe runs a real start-up update check (status, download, size, digest, signature against
# the system trust store, version) and must reach the verdict the release list names, leaving
# no file behind. Uses the linux-debug build (BUILD_DIR overrides it).
set -euo pipefail
cd "$(dirname "$0")/.."

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

if [ "${1:-}" = "--inner" ]; then
  # Inside the namespace: RELEASES PROBE JSON-PROBE HOST
  releases=$2 probe=$3 json=$4 host=$5
  scratch=$(mktemp -d)
  trap 'rm -rf "$scratch"' EXIT
  while read -r name file version mode bytes sha verdict; do
    case "$name" in '#'*) continue ;; esac
    curl -sS -o /dev/null -H "X-Devservice-Secret: $VANTIRO_DEVSERVICE_SECRET" \
      --data-urlencode "file=$releases/$file" --data-urlencode "version=$version" \
      --data-urlencode "mode=$mode" "https://$host/_devservice/release" ||
      fail "$name: offering $file"

    # What the service announces for the file.
    expected_version=$version expected_sha=$sha expected_bytes=$bytes
    case "$mode" in
      wrong-version) expected_version=${version%.*}.$((${version##*.} + 1)) ;;
      wrong-digest)
        expected_sha=${sha%?}$(printf '%x' $((0x${sha: -1} ^ 1)))
        ;;
      wrong-size) expected_bytes=$((bytes + 1)) ;;
    esac
    got=$(curl -sS "https://$host/api/desktop-app/status" | "$json" version sha256 bytes || true)
    if [ "$mode" = no-digest ]; then
      want="version=$expected_version"$'\n'"sha256 missing"$'\n'"bytes missing"
    else
      want="version=$expected_version"$'\n'"sha256=$expected_sha"$'\n'"bytes=$expected_bytes"
    fi
    [ "$got" = "$want" ] || fail "$name: status $(echo "$got" | tr '\n' ' ')"

    folder=$scratch/$name
    mkdir "$folder"
    out=$("$probe" check "$folder" 2>&1) || fail "$name: the probe failed: $out"
    got_verdict=$(printf '%s\n' "$out" | sed -n 's/^verdict: //p')
    [ "$got_verdict" = "$verdict" ] ||
      fail "$name: verdict '$got_verdict', expected '$verdict': $(echo "$out" | tr '\n' ' ')"
    [ -z "$(ls -A "$folder")" ] || fail "$name: left $(ls -A "$folder") behind"
  done <"$releases/releases.txt"
  exit "$failures"
fi

build=${BUILD_DIR:-build/linux-debug}
if [ ! -f "$build/build.ninja" ]; then
  cmake --preset linux-debug >/dev/null
fi
cmake --build "$build" -j "$(nproc)" --target vantiro_update_probe vantiro_devservice \
  vantiro_devservice_json_probe >/dev/null
root=$PWD
probe=$root/$build/vantiro_update_probe
json=$root/$build/devservice/vantiro_devservice_json_probe
service=$root/$build/devservice/vantiro_devservice
host=$("$service" --print-host)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

current=$("$probe" versions | sed -n 's/^app: //p')
newer=${current%.*}.$((${current##*.} + 1))
started=$(date +%s)
newer_build=$(scripts/build-version.sh "$newer" vantiro_update_probe 2>"$work/build.log") || {
  cat "$work/build.log"
  echo "FAIL: the $newer build"
  exit 1
}
echo "releases: the $newer build took $(($(date +%s) - started)) s"

# Every part of each build states that build's version.
for pair in "$current:$probe" "$newer:$newer_build/vantiro_update_probe"; do
  v=${pair%%:*}
  got=$("${pair#*:}" versions | tr '\n' ' ')
  [ "$got" = "app: $v update: $v page-script: $v version-note: $v " ] ||
    fail "the $v build states: $got"
done

scripts/make-test-releases.sh "$work/releases" "$probe" "$newer_build/vantiro_update_probe"
releases=$work/releases

# A signature covers the bare program only.
if scripts/sign-release.sh --cert "$releases/pki/mirsel.pem" --key "$releases/pki/mirsel.key" \
  "$releases/newer.bin" "$work/twice.bin" 2>/dev/null; then
  fail "sign-release.sh signed a signed file again"
fi
# The probe must see the trailer exactly where the signing tool put it.
payload=$(($(stat -c %s "$releases/newer.bin") - $(stat -c %s "$releases/newer-unsigned.bin")))
[ "$payload" -gt 37 ] || fail "newer.bin gained only $payload bytes in signing"
cmp -s -n "$(stat -c %s "$releases/newer-unsigned.bin")" "$releases/newer.bin" \
  "$releases/newer-unsigned.bin" || fail "signing changed the program's own bytes"

VANTIRO_DEVSERVICE=$service scripts/with-service.sh --trust "$releases/trusted-root.pem" \
  --release-file "$releases/newer.bin" --release-version "$newer" -- \
  "$0" --inner "$releases" "$probe" "$json" "$host" || fail "the releases through the service"

# Without the root in the system trust store the same valid release is refused.
mkdir "$work/untrusted"
out=$(VANTIRO_DEVSERVICE=$service scripts/with-service.sh --release-file "$releases/newer.bin" \
  --release-version "$newer" -- "$probe" check "$work/untrusted" 2>&1) || true
case "$out" in
  *"verdict: wrong-publisher"*) ;;
  *) fail "a release under an untrusted root: $(echo "$out" | tr '\n' ' ')" ;;
esac

if [ "$failures" -gt 0 ]; then
  echo "releases: $failures failure(s)"
  exit 1
fi
echo "releases: all checks passed"
