#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds both hosts and runs every test: natively
# (linux-debug, with AddressSanitizer and UndefinedBehaviorSanitizer), a bounded run of every
# fuzz target, and the Windows cross-build under Wine in a throw-away prefix.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

jobs=$(nproc)
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/vantiro-ccache}"
export CCACHE_BASEDIR="$PWD"

echo "== linux-debug"
cmake --preset linux-debug >/dev/null
cmake --build --preset linux-debug -j "$jobs"
xvfb-run -a ctest --preset linux-debug

echo "== page script (node --test)"
scripts/test-js.sh

echo "== stand-in web service"
scripts/test-devservice.sh

echo "== signed releases through the stand-in service"
scripts/test-releases.sh

echo "== end to end: the studio program against the stand-in service"
scripts/test-e2e.sh

echo "== fuzz targets (bounded run)"
FUZZ_SECONDS="${FUZZ_SECONDS:-10}" scripts/fuzz.sh

echo "== windows (Wine)"
scratch=$(mktemp -d)
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$scratch"' EXIT
export WINEPREFIX="$scratch/prefix" WINEDEBUG=-all WINEARCH=win64
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# Tests must not see the user's real home, also through Wine's drive mappings.
export HOME="$scratch/home"
mkdir -p "$HOME"
wineboot -i >/dev/null 2>&1 || true
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs" --target vantiro_tests
ctest --preset windows

ccache --show-stats 2>/dev/null | grep -iE 'hit|miss' | head -n 4 || true
