#!/usr/bin/env bash
# UI core benchmark: raising events on a 32-deep tree and measure+arrange
# passes over a 10,000-control tree, per operation, with the allocations made.
# Usage: bash bench/ui-core-bench.sh   (after scripts/build.sh; KAVRI_ARCH=64 for the 64-bit build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KAVRI_BUILD_DIR:-$root/build}
source "$root/scripts/arch-detect.sh"
kavri_choose_arch
kavri_winbuild="$build/win$kavri_arch"
exe="$kavri_winbuild/tests/dui/dui_core_bench.exe"
[ -f "$exe" ] || { echo "build first: bash scripts/build.sh" >&2; exit 1; }
source "$root/scripts/wine-env.sh"
trap kavri_wine_cleanup EXIT
wine "$exe"
