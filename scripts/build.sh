#!/usr/bin/env bash
# Sets up the machine (once), then configures and builds everything for the
# named Windows architectures (32, 64, or both; 32 when none is named): the
# host tools in build/host, and per architecture in build/win32 or build/win64
# the installer "KavriSetup.exe", lzpack.exe and the tests. With --target,
# only those targets (and what they need) are built.
#   bash scripts/build.sh [--target NAME]... [32] [64]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KAVRI_BUILD_DIR:-$root/build}

bash "$root/scripts/setup.sh"

targets=()
while [ "${1:-}" = --target ]; do
  [ -n "${2:-}" ] || { echo "build: --target needs a name" >&2; exit 2; }
  targets+=(--target "$2")
  shift 2
done
arches=("$@")
[ ${#arches[@]} -gt 0 ] || arches=(32)
for arch in "${arches[@]}"; do
  case "$arch" in
    32) toolchain=toolchain-mingw-i686.cmake ;;
    64) toolchain=toolchain-mingw-x86_64.cmake ;;
    *) echo "build: architecture 32 or 64, not '$arch'" >&2; exit 2 ;;
  esac
  dir="$build/win$arch"
  generator=()
  if [ ! -f "$dir/CMakeCache.txt" ] && command -v ninja >/dev/null; then generator=(-G Ninja); fi
  cmake -S "$root" -B "$dir" "${generator[@]}" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain" \
    -DKAVRI_HOST_BINARY_DIR="$build/host" >/dev/null
  cmake --build "$dir" "${targets[@]}" --parallel "$(nproc)"
done
