#!/usr/bin/env bash
# Builds an installer executable from a content folder, without editing the
# project:   bash scripts/make-installer.sh [--arch 32|64] CONTENT_DIR OUTPUT.exe
# CONTENT_DIR holds UI.lua, LG.lua, style/, frame/, program/ and optionally
# icon.ico (see docs/installer-authoring.md). The installer is a 32-bit
# Windows program unless --arch 64 is given.
set -euo pipefail
usage() { echo "usage: $0 [--arch 32|64] CONTENT_DIR OUTPUT.exe" >&2; exit 1; }
arch=32
if [ "${1:-}" = --arch ]; then
  arch=${2:-}; shift 2 || usage
fi
case "$arch" in
  32) toolchain=toolchain-mingw-i686.cmake ;;
  64) toolchain=toolchain-mingw-x86_64.cmake ;;
  *) usage ;;
esac
[ $# -eq 2 ] || usage
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KAVRI_BUILD_DIR:-$root/build}
content=$(cd "$1" && pwd)
output=$2
for required in UI.lua LG.lua style frame program; do
  [ -e "$content/$required" ] || { echo "make-installer: $content/$required is missing" >&2; exit 1; }
done

bash "$root/scripts/setup.sh"
dir="$build/win$arch"
generator=()
if [ ! -f "$dir/CMakeCache.txt" ] && command -v ninja >/dev/null; then generator=(-G Ninja); fi
cmake -S "$root" -B "$dir" "${generator[@]}" \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain" \
  -DKAVRI_HOST_BINARY_DIR="$build/host" \
  -DKAVRI_CUSTOM_CONTENT="$content" >/dev/null
cmake --build "$dir" --target CustomSetup --parallel "$(nproc)"
cp "$dir/CustomSetup.exe" "$output"
# The build wrote the file's checksum into its header, and the installer
# refuses to run from a file that no longer matches it. Signing the copy
# afterwards is fine: signing tools write the checksum again.
"$build/host/tools/pechecksum" check "$output"
echo "make-installer: wrote $output ($arch-bit)"
