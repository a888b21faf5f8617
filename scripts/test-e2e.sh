#!/usr/bin/env bash
# End-to-end tests: the real studio program, driven from outside (xdotool, its debug log, its
# files and processes), against the stand-in service's real pages inside
# scripts/with-service.sh, under Xvfb. Builds what it needs: the studio, the service, a copy
# of the studio with the next patch version (scripts/build-version.sh), and the test releases
# signed under a test PKI (scripts/make-test-releases.sh) that the boot update cases offer.
#
#   scripts/test-e2e.sh [--only SUBSTRING] [--no-updates]
#
# Uses the linux-debug build (BUILD_DIR overrides it). Logs and screenshots of each studio run
# go to $BUILD_DIR/e2e (E2E_OUT overrides it).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

only=()
updates=1
while [ $# -gt 0 ]; do
  case "$1" in
    --only) only=(--only "$2"); shift 2 ;;
    --no-updates) updates=; shift ;;
    *) sed -n '2,11p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2 ;;
  esac
done

scripts/install-deps.sh
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/vantiro-ccache}"
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}"

build=${BUILD_DIR:-build/linux-debug}
if [ ! -f "$build/build.ninja" ]; then
  cmake --preset linux-debug >/dev/null
fi
cmake --build "$build" -j "$(nproc)" --target vantiro vantiro_devservice >/dev/null
studio=$root/$build/vantiro
service=$root/$build/devservice/vantiro_devservice
host=$("$service" --print-host)
out=${E2E_OUT:-$root/$build/e2e}
rm -rf "$out"
mkdir -p "$out"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
started=$(date +%s)

service_args=(--test-pages "$root/tests/e2e/pages" --account "e2e.user@example.se:e2e-password-1"
  --kdf-rounds 1000 --verbose)
run_args=(--studio "$studio" --host "$host" --account "e2e.user@example.se:e2e-password-1"
  --out "$out" "${only[@]}")
if [ -n "$updates" ]; then
  current=$(sed -n 's/.*kAppVersion\[\] = u"\([0-9.]*\)";/\1/p' \
    "$build/generated/common/build_config.h")
  newer=${current%.*}.$((${current##*.} + 1))
  newer_build=$(scripts/build-version.sh "$newer" vantiro 2>"$work/build.log") || {
    cat "$work/build.log"
    echo "FAIL: the $newer build of the studio"
    exit 1
  }
  # The debug build outgrows the 50 MiB a release may have until its debug information goes.
  scripts/make-test-releases.sh --strip "$work/releases" "$studio" "$newer_build/vantiro" \
    >/dev/null
  service_args+=(--trust "$work/releases/trusted-root.pem")
  run_args+=(--releases "$work/releases")
  echo "e2e: builds and releases ready in $(($(date +%s) - started)) s"
fi

# The studio's own XDG folders live below the test's temporary folder; the display is a
# 1600 x 1000 Xvfb screen, larger than the studio's default window.
VANTIRO_DEVSERVICE=$service scripts/with-service.sh "${service_args[@]}" -- \
  xvfb-run -a -s "-screen 0 1600x1000x24" /usr/bin/python3 -B tests/e2e/run_e2e.py \
  "${run_args[@]}" && rc=0 || rc=$?
echo "e2e: wall time $(($(date +%s) - started)) s"
exit "$rc"
