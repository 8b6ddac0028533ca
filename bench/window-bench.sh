#!/usr/bin/env bash
# Window painting benchmark: repaint cost of many invalidations on an ordinary
# and a layered window (paints per round show the coalescing), and the cost of
# a mouse move through the hover path. Runs under Xvfb like the tests.
# Usage: bash bench/window-bench.sh   (after scripts/build.sh; KAVRI_ARCH=64 for the 64-bit build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KAVRI_BUILD_DIR:-$root/build}
source "$root/scripts/arch-detect.sh"
kavri_choose_arch
kavri_winbuild="$build/win$kavri_arch"
exe="$kavri_winbuild/tests/dui/core/window_bench.exe"
[ -f "$exe" ] || { echo "build first: bash scripts/build.sh" >&2; exit 1; }
source "$root/scripts/wine-env.sh"
trap kavri_wine_cleanup EXIT
wine "$exe"
