#!/usr/bin/env bash
# Builds an installer executable from a content folder, without editing the
# project:   bash scripts/make-installer.sh CONTENT_DIR OUTPUT.exe
# CONTENT_DIR holds UI.lua, LG.lua, style/, frame/, program/ and optionally
# icon.ico (see docs/installer-authoring.md).
set -euo pipefail
if [ $# -ne 2 ]; then
  echo "usage: $0 CONTENT_DIR OUTPUT.exe" >&2
  exit 1
fi
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KAVRI_BUILD_DIR:-$root/build}
content=$(cd "$1" && pwd)
output=$2
for required in UI.lua LG.lua style frame program; do
  [ -e "$content/$required" ] || { echo "make-installer: $content/$required is missing" >&2; exit 1; }
done

bash "$root/scripts/setup.sh"
generator=()
if [ ! -f "$build/CMakeCache.txt" ] && command -v ninja >/dev/null; then generator=(-G Ninja); fi
cmake -S "$root" -B "$build" "${generator[@]}" \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-i686.cmake" \
  -DKAVRI_CUSTOM_CONTENT="$content" >/dev/null
cmake --build "$build" --target CustomSetup --parallel "$(nproc)"
cp "$build/CustomSetup.exe" "$output"
echo "make-installer: wrote $output"
