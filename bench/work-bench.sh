#!/usr/bin/env bash
# Background-work benchmark: a generated payload (about 100 MB in 2,000 files of
# mixed kinds) is packed into a package and extracted under Wine through
# startWork and extractFile, with a progress notification per file answered on
# the UI thread. Prints time, MB/s, peak memory and the UI thread's busy time,
# and checks that the extracted files are byte-identical to the payload.
# Usage: bash bench/work-bench.sh [size in MB] [file count]   (after scripts/build.sh; KAVRI_ARCH=64 for the 64-bit build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KAVRI_BUILD_DIR:-$root/build}
source "$root/scripts/arch-detect.sh"
kavri_choose_arch
kavri_winbuild="$build/win$kavri_arch"
lzpack="$build/host/tools/lzpack"
bench="$kavri_winbuild/bench/work_bench.exe"
[ -x "$lzpack" ] && [ -f "$bench" ] || { echo "build first: bash scripts/build.sh" >&2; exit 1; }
size_mb=${1:-100}
count=${2:-2000}
work="$build/bench-work"
rm -rf "$work" && mkdir -p "$work"

python3 "$root/bench/make_payload.py" "$work/payload" "$size_mb" "$count"
"$lzpack" create "$work/payload.lz" "$work/payload" >/dev/null
printf 'payload: %d bytes in %d files, package %d bytes\n' \
  "$(du -sb "$work/payload" | cut -f1)" "$(find "$work/payload" -type f | wc -l)" "$(stat -c %s "$work/payload.lz")"

source "$root/scripts/wine-env.sh"
trap kavri_wine_cleanup EXIT
winpath() { echo "Z:${1//\//\\}"; }
wine "$bench" "$(winpath "$work/payload.lz")" "$(winpath "$work/out")" | tr -d '\r'
diff -r "$work/payload" "$work/out" >/dev/null && echo "identical yes" || echo "identical NO"
