#!/usr/bin/env bash
# Package builder benchmark: builds a package from a generated ~100 MB corpus
# and extracts it, beside xz -6 (single-threaded) on the same bytes.
# Usage: bash bench/package-bench.sh [size in MB]   (after scripts/build.sh)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KAVRI_BUILD_DIR:-$root/build}
lzpack="$build/host/tools/lzpack"
[ -x "$lzpack" ] || { echo "build first: bash scripts/build.sh" >&2; exit 1; }
size_mb=${1:-100}
work="$build/bench-package"
rm -rf "$work" && mkdir -p "$work"
python3 "$root/bench/make_corpus.py" "$work/corpus" "$size_mb"
bytes=$(du -sb "$work/corpus" | cut -f1)
files=$(find "$work/corpus" -type f | wc -l)

seconds() { local s=$(date +%s.%N); "$@" >/dev/null; echo "$(date +%s.%N) - $s" | bc -l; }
rate() { echo "scale=1; $bytes / 1048576 / $1" | bc -l; }

t_create=$(seconds "$lzpack" create "$work/corpus.lz" "$work/corpus")
t_extract=$(seconds "$lzpack" extract "$work/corpus.lz" "$work/out")
diff -r "$work/corpus" "$work/out" >/dev/null && same=yes || same=NO
tar -C "$work/corpus" -cf "$work/corpus.tar" .
t_xz=$(seconds xz -6 -T1 -k -f "$work/corpus.tar")
t_unxz=$(seconds xz -d -T1 -k -c "$work/corpus.tar.xz")

printf 'corpus: %d bytes in %d files\n' "$bytes" "$files"
printf '%-22s %8s %10s %12s\n' "" "seconds" "MB/s" "size"
printf '%-22s %8.2f %10s %12d\n' "lzpack create" "$t_create" "$(rate "$t_create")" "$(stat -c %s "$work/corpus.lz")"
printf '%-22s %8.2f %10s %12s\n' "lzpack extract" "$t_extract" "$(rate "$t_extract")" "identical=$same"
printf '%-22s %8.2f %10s %12d\n' "xz -6 -T1 (tar)" "$t_xz" "$(rate "$t_xz")" "$(stat -c %s "$work/corpus.tar.xz")"
printf '%-22s %8.2f %10s\n' "xz -d (tar)" "$t_unxz" "$(rate "$t_unxz")"
printf 'lzpack threads: %d (one entry per thread; output identical for any count)\n' "$(nproc)"
