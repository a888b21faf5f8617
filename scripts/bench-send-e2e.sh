#!/usr/bin/env bash
# Times the largest FiveM send end to end (tests/e2e/bench_send.py): the 64 MiB sample
# resource from a page of the stand-in service through the real studio into the FiveM folder,
# with the peak memory of the studio and its web process. Uses the linux-release build
# (BUILD_DIR overrides it, e.g. build/linux-debug for the sanitizer build) and builds the two
# programs it needs.
#
#   scripts/bench-send-e2e.sh [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/vantiro-ccache}"
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}"
build=${BUILD_DIR:-build/linux-release}
if [ ! -f "$build/build.ninja" ]; then
  cmake --preset "$(basename "$build")" >/dev/null
fi
cmake --build "$build" -j "$(nproc)" --target vantiro vantiro_devservice >/dev/null
service=$root/$build/devservice/vantiro_devservice

VANTIRO_DEVSERVICE=$service scripts/with-service.sh --test-pages "$root/tests/e2e/pages" -- \
  xvfb-run -a -s "-screen 0 1600x1000x24" /usr/bin/python3 -B tests/e2e/bench_send.py \
  --studio "$root/$build/vantiro" --host "$("$service" --print-host)" --rounds "${1:-3}"
