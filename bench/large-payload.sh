#!/usr/bin/env bash
# A large payload through the real installer, for time and memory:
#   bash bench/large-payload.sh [SIZE_MB] [FILES]      (1024 MB, 2,000 files)
#
# Generates the deterministic mixed payload (bench/make_payload.py: text,
# binary records, incompressible data, a few large files among many small
# ones) in the build folder, builds the silent benchmark installer from it
# (bench/silent-installer, progress reported a few times a second), 32-bit
# wherever 32-bit Wine runs, installs it once into a fresh folder under
# bench/measure_run.exe, checks the installed tree against the payload, and
# prints the install time and the installer process's peak working set.
# Everything it made (payload, package, installer, installed tree) is removed
# afterwards; KAVRI_KEEP_LARGE=1 keeps the payload and the installer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KAVRI_BUILD_DIR:-$root/build}
size_mb=${1:-1024}
count=${2:-2000}
work="$build/bench-large"

source "$root/scripts/arch-detect.sh"
kavri_choose_arch
arch=$kavri_arch
kavri_winbuild="$build/win$arch"
measure="$kavri_winbuild/bench/measure_run.exe"
[ -e "$measure" ] || { echo "large-payload: $measure is missing; build first: bash scripts/build.sh $arch" >&2; exit 1; }

cleanup() {
  rm -rf "$work/installed" "$kavri_winbuild/CustomSetup.content/program.lz"
  if [ "${KAVRI_KEEP_LARGE:-}" != 1 ]; then rm -rf "$work"; fi
}
trap cleanup EXIT

content="$work/content"
payload="$content/program"
stamp="$work/payload-$size_mb-$count.done"
if [ ! -f "$stamp" ]; then
  rm -rf "$work" && mkdir -p "$content"
  echo "large-payload: generating $size_mb MB in $count files" >&2
  python3 "$root/bench/make_payload.py" "$payload" "$size_mb" "$count"
  touch "$stamp"
fi
bytes=$(du -sb --apparent-size "$payload" | cut -f1)

cp "$root/bench/silent-installer/UI.lua" "$root/bench/silent-installer/product.json" "$content/"
rm -rf "$content/style" "$content/frame"
cp -r "$root/bench/silent-installer/style" "$root/bench/silent-installer/frame" "$content/"
list=$(cd "$payload" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | sed 's/.*/  [==[&]==],/')
awk -v list="$list" '/^-- @FILES@$/ { print list; next } { print }' \
  "$root/bench/silent-installer/LG.lua" >"$content/LG.lua"
installer="$work/large.exe"
if [ ! -f "$installer" ] || [ "$stamp" -nt "$installer" ]; then
  echo "large-payload: building the installer (packing takes a while)" >&2
  bash "$root/scripts/make-installer.sh" --arch "$arch" "$content" "$installer" >"$work/make-installer.log" 2>&1 ||
    { tail -20 "$work/make-installer.log" >&2; exit 1; }
  cmake -B "$kavri_winbuild" -DKAVRI_CUSTOM_CONTENT= >/dev/null
fi

source "$root/scripts/wine-env.sh"
trap 'kavri_wine_cleanup; cleanup' EXIT
winpath() { echo "Z:${1//\//\\}"; }
dest="$work/installed"
rm -rf "$dest"
result=$(KAVRI_BENCH_TARGET=$(winpath "$dest") KAVRI_BENCH_REPORT=throttled \
  wine "$measure" "$(winpath "$installer")" 2>/dev/null | tr -d '\r')
if ! diff -r "$payload" "$dest" >/dev/null; then
  echo "large-payload: the installed tree differs from the payload" >&2
  exit 1
fi
seconds=$(echo "$result" | awk '$1 == "seconds" { print $2 }')
peak=$(echo "$result" | awk '$1 == "peak_working_set" { print $2 }')
printf 'payload: %d bytes in %d files; installer %d bytes; %d-bit Wine\n' "$bytes" "$count" \
  "$(stat -c %s "$installer")" "$arch"
printf 'install: %s s; installed tree identical to the payload\n' "$seconds"
if [[ "$peak" =~ ^[0-9]+$ ]]; then
  printf 'peak working set of the installer: %d bytes (%.1f MB)\n' "$peak" "$(echo "$peak / 1048576" | bc -l)"
else
  printf 'peak working set of the installer: %s\n' "$peak"
fi
