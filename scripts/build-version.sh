#!/usr/bin/env bash
# Builds targets of the studio with another product version, for the update tests only: a
# build folder of its own, build/PRESET-vVERSION, configured like PRESET with
# VANTIRO_APP_VERSION=VERSION. Only the sources that state the version compile again; the
# rest comes from the compiler cache. Prints the build folder on standard output.
#
#   scripts/build-version.sh VERSION TARGET...
#
# PRESET is $VANTIRO_PRESET, else linux-debug.
set -euo pipefail
cd "$(dirname "$0")/.."

[ $# -ge 2 ] || {
  sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
}
version=$1
shift
preset=${VANTIRO_PRESET:-linux-debug}
# The same depth as the preset's own folder, so that the cached compilations match.
dir=build/$preset-v$version

export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/vantiro-ccache}"
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}"
cmake --preset "$preset" -B "$dir" -DVANTIRO_APP_VERSION="$version" >/dev/null
cmake --build "$dir" -j "$(nproc)" --target "$@" >&2
echo "$PWD/$dir"
