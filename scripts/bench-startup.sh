#!/usr/bin/env bash
# Start-up time of the studio: from process start to the first chrome paint and to the first
# page shown, against the project's stand-in service on a virtual display.
#
#   scripts/bench-startup.sh [RUNS]        (default 6; VANTIRO_PRESET picks the build,
#                                           default linux-release)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
runs=${1:-6}
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/vantiro-ccache}"
export CCACHE_BASEDIR="$root"
preset=${VANTIRO_PRESET:-linux-release}
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)" --target vantiro vantiro_devservice >/dev/null
export VANTIRO_DEVSERVICE=$root/build/$preset/devservice/vantiro_devservice
echo "build $preset; machine load: $(cut -d' ' -f1-3 /proc/loadavg)"
exec scripts/with-service.sh xvfb-run -a -s "-screen 0 1600x1000x24" \
  /usr/bin/python3 scripts/lib/startup_times.py "$runs" "$root/build/$preset/vantiro" \
  --skip-welcome --lang=en
