#!/usr/bin/env bash
# Sets up this machine, builds the studio and the project's stand-in web service, and runs the
# studio against that service in a private network namespace (scripts/with-service.sh).
#
#   scripts/run.sh [STUDIO-ARGUMENT...]      e.g. scripts/run.sh --lang=en
#
# On a desktop the studio opens on your display with your own settings and stays until you
# close it. Without a display it runs on a virtual one, with settings of its own, until the
# first page is shown (past the sign-in gate unless other arguments are given); it then writes
# a screenshot, says where, and ends.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

scripts/install-deps.sh
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/vantiro-ccache}"
export CCACHE_BASEDIR="$root"
preset=${VANTIRO_PRESET:-linux-release}
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)" --target vantiro vantiro_devservice
export VANTIRO_DEVSERVICE=$root/build/$preset/devservice/vantiro_devservice
studio=$root/build/$preset/vantiro

# An account to sign in with on the stand-in service's pages.
service_options=(--account demo@vantiro.test:vantiro-demo)

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec scripts/with-service.sh "${service_options[@]}" -- "$studio" "$@"
fi

out=${VANTIRO_SCREENSHOT:-$root/build/studio-screenshot.png}
# Nobody can sign in on a virtual display: show the start page rather than the sign-in gate.
[ $# -gt 0 ] || set -- --skip-welcome
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/data" "$scratch/home" "$scratch/run"
chmod 700 "$scratch/run"
cat >"$scratch/headless.sh" <<INNER
#!/usr/bin/env bash
# Runs inside the namespace on the virtual display.
export XDG_DATA_HOME=$scratch/data HOME=$scratch/home XDG_RUNTIME_DIR=$scratch/run
export NO_AT_BRIDGE=1 G_MESSAGES_DEBUG=Vantiro
"$studio" "\$@" >"$scratch/studio.log" 2>&1 &
pid=\$!
for _ in \$(seq 1 600); do
  grep -q "boot finished" "$scratch/studio.log" 2>/dev/null && break
  kill -0 \$pid 2>/dev/null || break
  sleep 0.1
done
sleep 1  # the revealed page draws its first frames
/usr/bin/python3 "$root/scripts/lib/screenshot.py" "$out"
kill -TERM \$pid 2>/dev/null || true
wait \$pid
INNER
chmod +x "$scratch/headless.sh"
set +e
scripts/with-service.sh "${service_options[@]}" -- \
  xvfb-run -a -s "-screen 0 1600x1000x24" "$scratch/headless.sh" "$@"
rc=$?
set -e
if ! grep -q "boot finished" "$scratch/studio.log"; then
  echo "run: the studio did not show its first page; its log:" >&2
  cat "$scratch/studio.log" >&2
  exit 1
fi
echo "The studio ran on a virtual display (no display here). Screenshot: $out"
exit "$rc"
