#!/usr/bin/env bash
# Sets up the machine (once), then configures and builds everything: the host
# tools, the installer "build/KavriSetup.exe" and the tests.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KAVRI_BUILD_DIR:-$root/build}

bash "$root/scripts/setup.sh"

generator=()
if [ ! -f "$build/CMakeCache.txt" ] && command -v ninja >/dev/null; then generator=(-G Ninja); fi
cmake -S "$root" -B "$build" "${generator[@]}" \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-i686.cmake" >/dev/null
cmake --build "$build" --parallel "$(nproc)"
