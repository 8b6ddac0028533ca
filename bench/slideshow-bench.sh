#!/usr/bin/env bash
# Slideshow benchmark: one cross-fade frame of a 600 x 300 picture (the aim
# is well under 1 ms a frame).
# Usage: bash bench/slideshow-bench.sh   (after scripts/build.sh; KAVRI_ARCH=64 for the 64-bit build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KAVRI_BUILD_DIR:-$root/build}
source "$root/scripts/arch-detect.sh"
kavri_choose_arch
kavri_winbuild="$build/win$kavri_arch"
exe="$kavri_winbuild/bench/cross_fade_bench.exe"
[ -f "$exe" ] || { echo "build first: bash scripts/build.sh" >&2; exit 1; }
source "$root/scripts/wine-env.sh"
trap kavri_wine_cleanup EXIT
wine "$exe"
