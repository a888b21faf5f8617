#!/usr/bin/env bash
# Builds the release preset and runs the benchmarks; extra arguments go to Google Benchmark.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset linux-release >/dev/null
cmake --build --preset linux-release -j "$(nproc)" --target vantiro_bench
exec build/linux-release/vantiro_bench "$@"
