#!/usr/bin/env bash
# Runs the page-script tests with Node's built-in test runner (every *.test.mjs under src/).
set -euo pipefail
cd "$(dirname "$0")/.."
command -v node >/dev/null || { echo "node is required for the page-script tests" >&2; exit 1; }
mapfile -t files < <(find src -name '*.test.mjs' | sort)
[ ${#files[@]} -gt 0 ] || { echo "no page-script tests found" >&2; exit 1; }
exec node --test "${files[@]}"
