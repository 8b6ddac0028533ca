#!/usr/bin/env bash
# JSON benchmark: parse and write rates of a generated song list, built
# natively with optimisation. Usage: bash bench/json-bench.sh [songs]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KAVRI_BUILD_DIR:-$root/build}
mkdir -p "$build/bench-json"
g++ -std=c++17 -O2 -I "$root" "$root/bench/json_bench.cpp" \
  "$root/support/json_value.cpp" "$root/support/json_parser.cpp" "$root/support/json_writer.cpp" \
  "$root/support/json_diagnostics_host.cpp" -o "$build/bench-json/json_bench"
"$build/bench-json/json_bench" "${1:-20000}"
