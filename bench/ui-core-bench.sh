#!/usr/bin/env bash
# UI core benchmark: raising events on a 32-deep tree and measure+arrange
# passes over a 10,000-control tree, per operation, with the allocations made.
# Usage: bash bench/ui-core-bench.sh   (after scripts/build.sh)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KAVRI_BUILD_DIR:-$root/build}
exe="$build/tests/dui/dui_core_bench.exe"
[ -f "$exe" ] || { echo "build first: bash scripts/build.sh" >&2; exit 1; }
WINEPREFIX="$build/wineprefix" WINEDEBUG=-all wine "$exe"
