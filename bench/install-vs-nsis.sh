#!/usr/bin/env bash
# Our installer against an NSIS 3 LZMA (non-solid) installer of the same payload:
#   bash bench/install-vs-nsis.sh [SIZE_MB] [FILES] [RUNS]     (100 MB, 2,000 files, 5 runs)
#
# Generates the deterministic mixed payload (bench/make_payload.py), builds our
# installer from bench/silent-installer with scripts/make-installer.sh and an
# NSIS installer with makensis, for the architecture this machine's Wine runs
# (scripts/arch-detect.sh). Each is installed silently into a fresh folder in
# one Wine prefix, runs alternating; every installed tree is compared with the
# payload byte for byte. Prints the median times, the ratios (install time,
# package size) and the executables' sizes. Ours runs twice per round: with the
# documented progress reports (a few per second) and with a report per file.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KAVRI_BUILD_DIR:-$root/build}
size_mb=${1:-100}
count=${2:-2000}
runs=${3:-5}
work="$build/bench-install"

source "$root/scripts/arch-detect.sh"
kavri_choose_arch
arch=$kavri_arch

if ! command -v makensis >/dev/null; then
  echo "install-vs-nsis: installing Debian's nsis package" >&2
  SUDO=""; [ "$(id -u)" = 0 ] || SUDO=sudo
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y nsis >/dev/null ||
    { $SUDO apt-get update >/dev/null && $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y nsis >/dev/null; }
fi

# The payload, generated straight into our installer's content folder.
content="$work/content"
payload="$content/program"
stamp="$work/payload-$size_mb-$count.done"
if [ ! -f "$stamp" ]; then
  rm -rf "$work" && mkdir -p "$content"
  python3 "$root/bench/make_payload.py" "$payload" "$size_mb" "$count"
  touch "$stamp"
fi
if [ -d "$work/installed" ]; then
  # Left by an interrupted run. Deleting 2,000-file trees keeps the file
  # system busy for a while (freed inodes are avoided for half a minute, and
  # with the discard mount option the freed blocks are trimmed at the next
  # commits), which would slow the first runs: let it settle first.
  rm -rf "$work/installed" && sync && sleep 30
fi
bytes=$(du -sb --apparent-size "$payload" | cut -f1)
files=$(find "$payload" -type f | wc -l)
printf 'payload: %d bytes in %d files; %d-bit Wine (%s)\n' "$bytes" "$files" "$arch" "$kavri_arch_reason"

# Our installer: the silent content with the entry list written into LG.lua.
cp "$root/bench/silent-installer/UI.lua" "$root/bench/silent-installer/product.json" "$content/"
rm -rf "$content/style" "$content/frame"
cp -r "$root/bench/silent-installer/style" "$root/bench/silent-installer/frame" "$content/"
list=$(cd "$payload" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | sed 's/.*/  [==[&]==],/')
awk -v list="$list" '/^-- @FILES@$/ { print list; next } { print }' \
  "$root/bench/silent-installer/LG.lua" >"$content/LG.lua"
ours="$work/ours.exe"
bash "$root/scripts/make-installer.sh" --arch "$arch" "$content" "$ours" >"$work/make-installer.log" 2>&1 ||
  { tail -20 "$work/make-installer.log" >&2; exit 1; }
package="$work/program.lz"
cp "$build/win$arch/CustomSetup.content/program.lz" "$package"
# The build folder forgets the benchmark's content again, so later builds do
# not pack the 100 MB payload each time.
cmake -B "$build/win$arch" -DKAVRI_CUSTOM_CONTENT= >/dev/null

# The NSIS installer: LZMA, not solid (its default), every file of the payload.
nsis_target=x86-unicode
[ "$arch" = 64 ] && nsis_target=amd64-unicode
write_nsi() {   # OUTPUT.exe [with-payload]
  printf 'Unicode true\nTarget %s\nSetCompressor lzma\nOutFile "%s"\n' "$nsis_target" "$1"
  printf 'Name "Bench"\nInstallDir "$TEMP\\bench"\nRequestExecutionLevel user\nSilentInstall normal\n'
  printf 'Section\n  SetOutPath "$INSTDIR"\n'
  [ -n "${2:-}" ] && printf '  File /r "%s/*"\n' "$payload"
  printf 'SectionEnd\n'
}
nsis="$work/nsis.exe"
write_nsi "$nsis" yes >"$work/bench.nsi"
write_nsi "$work/nsis-empty.exe" >"$work/empty.nsi"
makensis -V1 "$work/bench.nsi" >/dev/null
makensis -V1 "$work/empty.nsi" >/dev/null

# A prefix of the benchmark's own, so its settings never reach the tests.
kavri_winbuild="$work/win$arch"
source "$root/scripts/wine-env.sh"
trap kavri_wine_cleanup EXIT
winpath() { echo "Z:${1//\//\\}"; }
if [ -n "$kavri_xvfb_pid" ]; then
  # Our own Xvfb runs no window manager. Wine would still treat the
  # installer's window as managed and, when it closes, wait two seconds for a
  # window manager to confirm it is gone; a real desktop answers at once.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
fi

# One install into a fresh folder: prints its seconds, then checks the tree.
install_once() {   # ours|each|nsis RUN
  local dest="$work/installed/$1-$2" start end
  mkdir -p "$(dirname "$dest")"
  sync   # every run starts with nothing of the last one still to be written
  start=$(date +%s.%N)
  case "$1" in
    ours) KAVRI_BENCH_TARGET=$(winpath "$dest") KAVRI_BENCH_REPORT=throttled wine "$ours" >/dev/null 2>&1 ;;
    each) KAVRI_BENCH_TARGET=$(winpath "$dest") KAVRI_BENCH_REPORT=each wine "$ours" >/dev/null 2>&1 ;;
    nsis) wine "$nsis" /S "/D=$(winpath "$dest")" >/dev/null 2>&1 ;;
  esac
  end=$(date +%s.%N)
  if ! diff -r "$payload" "$dest" >/dev/null; then
    echo "install-vs-nsis: $1 run $2 installed a tree that differs from the payload" >&2
    exit 1
  fi
  # The tree stays until every run is over: ext4 avoids reusing inodes freed
  # in the last half minute, so right after 2,000 files were deleted each file
  # the next run creates costs a long search for a free one.
  echo "$end - $start" | bc -l
}

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

t_ours=(); t_each=(); t_nsis=()
sync && sleep 15   # whatever the build or an earlier run left to write or trim
install_once nsis warm >/dev/null; install_once ours warm >/dev/null   # page cache, prefix
for run in $(seq "$runs"); do
  t_ours+=("$(install_once ours "$run")")
  t_nsis+=("$(install_once nsis "$run")")
  t_each+=("$(install_once each "$run")")
done
m_ours=$(median "${t_ours[@]}"); m_each=$(median "${t_each[@]}"); m_nsis=$(median "${t_nsis[@]}")

# The native floor: the same package decoded and written by the host's lzpack.
native="$work/native-out"
# It runs before any tree is deleted, like the installs.
rm -rf "$native"
sync
start=$(date +%s.%N); "$build/host/tools/lzpack" extract "$package" "$native" >/dev/null; end=$(date +%s.%N)
t_native=$(echo "$end - $start" | bc -l)
rm -rf "$native" "$work/installed"

size() { stat -c %s "$1"; }
s_ours=$(size "$ours"); s_nsis=$(size "$nsis"); s_pkg=$(size "$package")
s_nsis_stub=$(size "$work/nsis-empty.exe")
s_ours_stub=$((s_ours - s_pkg))

printf 'installed trees identical to the payload: yes (%d runs each)\n' "$runs"
printf '%-40s %8s\n' "median of $runs installs" "seconds"
printf '%-40s %8.2f\n' "ours, progress a few times a second" "$m_ours"
printf '%-40s %8.2f\n' "ours, a progress report per file" "$m_each"
printf '%-40s %8.2f\n' "NSIS $(makensis -VERSION) LZMA, silent" "$m_nsis"
printf '%-40s %8.2f\n' "native lzpack extract (host)" "$t_native"
printf 'install time ratio ours/NSIS: %.2f (per-file reports: %.2f)\n' \
  "$(echo "$m_ours / $m_nsis" | bc -l)" "$(echo "$m_each / $m_nsis" | bc -l)"
printf 'ours ÷ native lzpack extract (the floor: same entries, same decoder, on one core): %.2f\n' \
  "$(echo "$m_ours / $t_native" | bc -l)"
printf 'executable sizes: ours %d, NSIS %d bytes; ratio %.3f\n' "$s_ours" "$s_nsis" \
  "$(echo "$s_ours / $s_nsis" | bc -l)"
printf 'package sizes: ours (program.lz) %d, NSIS (installer less its %d-byte stub) %d; ratio %.3f\n' \
  "$s_pkg" "$s_nsis_stub" "$((s_nsis - s_nsis_stub))" "$(echo "$s_pkg / ($s_nsis - $s_nsis_stub)" | bc -l)"
printf 'executable without payload: ours %d bytes, NSIS %d bytes\n' "$s_ours_stub" "$s_nsis_stub"
printf 'all runs (s): ours %s | each %s | nsis %s\n' "${t_ours[*]}" "${t_each[*]}" "${t_nsis[*]}"
