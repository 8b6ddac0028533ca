#!/usr/bin/env bash
# Runs one benchmark and prints its figures (after scripts/build.sh):
#   bash bench/run.sh NAME [ARGS...]
#
#   core        raising events on a 32-deep tree; measure+arrange over 10,000 controls
#   window      repaint cost of many invalidations (ordinary and layered window), hover
#   text        the Edit's text model: large texts, typing, pasting
#   markup      building the demo's first page, style lookups, painting a button
#   skin-image  decoding a skin image and drawing it plain and as a nine-grid
#   cross-fade  one cross-fade frame of the slideshow, 600 x 300 (aim: well under 1 ms)
#   notify [REPORTS]   one report's cost to the worker: notifyMessage, postMessage
#   work [MB] [FILES]  a generated payload packed, then extracted through startWork
#   package [MB]       lzpack create/extract on a generated corpus, beside xz -6
#   json [SONGS]       JSON parse and write rates (native)
#   paint [RUNS]       launch to first painted page: the demo installer beside a minimal window
#   setup-check [MB]   the start-up check of the whole setup file, over an installer of that size
#   install-vs-nsis [MB] [FILES] [RUNS]  our installer against NSIS LZMA, silently
#   large-payload [MB] [FILES]  a 1 GB payload installed: time and peak working set
#
# The Windows benchmarks run under Wine exactly as the tests do (scripts/wine-env.sh:
# the build's own prefix, Xvfb when there is no display), on the build the tests
# use; KAVRI_ARCH=64 (or 32) forces the choice.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KAVRI_BUILD_DIR:-$root/build}

usage() { sed -n '2,18p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }
[ $# -ge 1 ] || usage
name=$1; shift

lzpack="$build/host/tools/lzpack"
need() { [ -e "$1" ] || { echo "bench: $1 is missing; build first: bash scripts/build.sh" >&2; exit 1; }; }

# Sets up the tests' Wine environment for the chosen Windows build.
start_wine() {
  source "$root/scripts/arch-detect.sh"
  kavri_choose_arch
  kavri_winbuild="$build/win$kavri_arch"
  need "$kavri_winbuild/bench/$1.exe"
  source "$root/scripts/wine-env.sh"
  trap kavri_wine_cleanup EXIT
}

# A Windows benchmark that needs nothing prepared: run it and print its output.
run_windows_bench() {
  start_wine "$1"
  local bench=$1; shift
  wine "$kavri_winbuild/bench/$bench.exe" "$@" | tr -d '\r'
}

seconds() { local s; s=$(date +%s.%N); "$@" >/dev/null; echo "$(date +%s.%N) - $s" | bc -l; }

bench_package() {
  need "$lzpack"
  local size_mb=${1:-100} work="$build/bench-package"
  rm -rf "$work" && mkdir -p "$work"
  python3 "$root/bench/make_corpus.py" "$work/corpus" "$size_mb"
  local bytes files
  bytes=$(du -sb "$work/corpus" | cut -f1)
  files=$(find "$work/corpus" -type f | wc -l)
  rate() { echo "scale=1; $bytes / 1048576 / $1" | bc -l; }

  local t_create t_extract t_xz t_unxz same
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
}

# Prints time, MB/s, peak memory and the UI thread's busy time of extracting a
# ~100 MB payload of 2,000 mixed files with a progress notification per file,
# and checks the extracted files are byte-identical to the payload.
bench_work() {
  need "$lzpack"
  local size_mb=${1:-100} count=${2:-2000} work="$build/bench-work"
  rm -rf "$work" && mkdir -p "$work"
  python3 "$root/bench/make_payload.py" "$work/payload" "$size_mb" "$count"
  "$lzpack" create "$work/payload.lz" "$work/payload" >/dev/null
  printf 'payload: %d bytes in %d files, package %d bytes\n' \
    "$(du -sb "$work/payload" | cut -f1)" "$(find "$work/payload" -type f | wc -l)" "$(stat -c %s "$work/payload.lz")"

  start_wine work_bench
  winpath() { echo "Z:${1//\//\\}"; }
  wine "$kavri_winbuild/bench/work_bench.exe" "$(winpath "$work/payload.lz")" "$(winpath "$work/out")" | tr -d '\r'
  diff -r "$work/payload" "$work/out" >/dev/null && echo "identical yes" || echo "identical NO"
}

# Launch-to-first-paint of the demo installer, beside a minimal Win32 window.
bench_paint() {
  start_wine paint_bench
  need "$kavri_winbuild/bench/minimal_window.exe"
  need "$kavri_winbuild/KavriSetup.exe"
  winpath() { echo "Z:${1//\//\\}"; }
  wine "$kavri_winbuild/bench/paint_bench.exe" "${1:-9}" "$(winpath "$kavri_winbuild/bench/minimal_window.exe")" \
    "$(winpath "$kavri_winbuild/KavriSetup.exe")" | tr -d '\r'
}

# The start-up check over a setup file of the given size: the demo installer
# with incompressible bytes appended (as a payload would be) and its checksum
# written, read while the file is still in the page cache.
bench_setup_check() {
  local size_mb=${1:-1024} work="$build/bench-setup-check"
  need "$build/host/tools/pechecksum"
  start_wine setup_check_bench
  need "$kavri_winbuild/KavriSetup.exe"
  rm -rf "$work" && mkdir -p "$work"
  trap "rm -rf '$work'; kavri_wine_cleanup" EXIT
  { cat "$kavri_winbuild/KavriSetup.exe"; head -c "$((size_mb << 20))" /dev/urandom; } >"$work/Setup.exe"
  "$build/host/tools/pechecksum" write "$work/Setup.exe"
  winpath() { echo "Z:${1//\//\\}"; }
  wine "$kavri_winbuild/bench/setup_check_bench.exe" "$(winpath "$work/Setup.exe")" 3 | tr -d '\r'
}

bench_json() {
  need "$build/host/bench/json_bench"
  "$build/host/bench/json_bench" "${1:-20000}"
}

case "$name" in
  core) run_windows_bench core_bench ;;
  window) run_windows_bench window_bench ;;
  text) run_windows_bench text_bench ;;
  markup) run_windows_bench markup_bench ;;
  skin-image) run_windows_bench skin_image_bench ;;
  cross-fade) run_windows_bench cross_fade_bench ;;
  notify) run_windows_bench notify_bench "$@" ;;
  work) bench_work "$@" ;;
  package) bench_package "$@" ;;
  json) bench_json "$@" ;;
  paint) bench_paint "$@" ;;
  setup-check) bench_setup_check "$@" ;;
  install-vs-nsis) exec bash "$root/bench/install-vs-nsis.sh" "$@" ;;
  large-payload) exec bash "$root/bench/large-payload.sh" "$@" ;;
  *) echo "bench: no benchmark '$name'" >&2; usage ;;
esac
