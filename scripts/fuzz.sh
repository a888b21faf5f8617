#!/usr/bin/env bash
# Builds every fuzz target of the linux-fuzz preset and runs each for a bounded time from its
# seed corpus (src/<dir>/fuzz_corpus/<name>/, plus <name>.dict beside it when present).
# Fails when a target crashes or breaks an invariant. FUZZ_SECONDS sets the time per target.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${FUZZ_SECONDS:-30}"
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/vantiro-ccache}"
export CCACHE_BASEDIR="$PWD"

cmake --preset linux-fuzz >/dev/null
cmake --build --preset linux-fuzz -j "$(nproc)" --target fuzzers

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

failed=()
while IFS= read -r source; do
  name=$(basename "$source" .cpp)
  seeds="$(dirname "$source")/fuzz_corpus/${name%_fuzz}"
  dict="$(dirname "$source")/fuzz_corpus/${name%_fuzz}.dict"
  work="$scratch/$name"
  mkdir -p "$work/corpus" "$work/artifacts"
  args=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
        -artifact_prefix="$work/artifacts/")
  [ -f "$dict" ] && args+=(-dict="$dict")
  corpora=("$work/corpus")
  [ -d "$seeds" ] && corpora+=("$seeds")

  echo "== $name (${seconds}s)"
  if ! "build/linux-fuzz/$name" "${args[@]}" "${corpora[@]}" >"$work/log" 2>&1; then
    tail -n 40 "$work/log"
    for crash in "$work/artifacts"/*; do
      [ -e "$crash" ] || continue
      mkdir -p build/fuzz-artifacts
      cp "$crash" "build/fuzz-artifacts/${name}-$(basename "$crash")"
      echo "kept build/fuzz-artifacts/${name}-$(basename "$crash")"
    done
    failed+=("$name")
  else
    grep -E '^(Done|stat::number_of_executed_units)' "$work/log" | tail -n 1 || true
  fi
done < <(find src -name '*_fuzz.cpp' -not -path 'src/platform/win32/*' | sort)

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz targets failed: ${failed[*]}"
  exit 1
fi
echo "all fuzz targets passed"
