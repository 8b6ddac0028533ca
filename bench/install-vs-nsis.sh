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
# package size) and the executables' sizes. Ours runs three times per round:
# with progress reports by time (a few per second), with a report per file
# (notifyMessage, waiting for each answer) and with a report per file posted
# (postMessage, no answer awaited).
#
# With its own Xvfb the rounds run twice: first with Wine's windows unmanaged
# (no window manager), then with managed windows under a small window manager
# (evilwm, from scripts/setup.sh), as on a desktop; both sets of figures are
# printed. NSIS comes from Debian's nsis package; when makensis is not
# installed the NSIS runs are left out and only our own figures are printed
# (KAVRI_BENCH_INSTALL_NSIS=1 installs it first).
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

if ! command -v makensis >/dev/null && [ "${KAVRI_BENCH_INSTALL_NSIS:-0}" = 1 ]; then
  echo "install-vs-nsis: installing Debian's nsis package" >&2
  SUDO=""; [ "$(id -u)" = 0 ] || SUDO=sudo
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y nsis >/dev/null ||
    { $SUDO apt-get update >/dev/null && $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y nsis >/dev/null; }
fi
have_nsis=0
command -v makensis >/dev/null && have_nsis=1

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
cmake -S "$root" -B "$build/win$arch" -DKAVRI_CUSTOM_CONTENT= >/dev/null

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
if [ "$have_nsis" = 1 ]; then
  write_nsi "$nsis" yes >"$work/bench.nsi"
  write_nsi "$work/nsis-empty.exe" >"$work/empty.nsi"
  makensis -V1 "$work/bench.nsi" >/dev/null
  makensis -V1 "$work/empty.nsi" >/dev/null
else
  echo "install-vs-nsis: makensis is not installed (Debian package nsis): NSIS is left out," \
       "only our own figures are printed" >&2
fi

# A prefix of the benchmark's own, so its settings never reach the tests.
kavri_winbuild="$work/win$arch"
source "$root/scripts/wine-env.sh"
wm_pid=""
cleanup() {
  if [ -n "$wm_pid" ]; then kill "$wm_pid" 2>/dev/null || true; fi
  kavri_wine_cleanup
}
trap cleanup EXIT
winpath() { echo "Z:${1//\//\\}"; }
# Wine's X11 driver: managed windows (Y) or not (N).
set_managed() { wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$1" /f >/dev/null 2>&1; }

# One install into a fresh folder: prints its seconds, then checks the tree.
install_once() {   # ours|each|posted|nsis RUN
  local dest="$work/installed/$1-$2" start end
  mkdir -p "$(dirname "$dest")"
  sync   # every run starts with nothing of the last one still to be written
  start=$(date +%s.%N)
  case "$1" in
    ours) KAVRI_BENCH_TARGET=$(winpath "$dest") KAVRI_BENCH_REPORT=throttled wine "$ours" >/dev/null 2>&1 ;;
    each) KAVRI_BENCH_TARGET=$(winpath "$dest") KAVRI_BENCH_REPORT=each wine "$ours" >/dev/null 2>&1 ;;
    posted) KAVRI_BENCH_TARGET=$(winpath "$dest") KAVRI_BENCH_REPORT=posted wine "$ours" >/dev/null 2>&1 ;;
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
ratio() { echo "$1 / $2" | bc -l; }

# One set of rounds, alternating the installers; prints the figures. The
# name (one word) tells the rounds apart in the folder names, the label in
# the printout. NSIS takes "/D=" unquoted to the end of its command line, so
# the folder names hold no space.
rounds() {   # NAME LABEL
  local name=$1 label=$2 run t_ours=() t_each=() t_posted=() t_nsis=()
  [ "$have_nsis" = 1 ] && install_once nsis "$name-warm" >/dev/null
  install_once ours "$name-warm" >/dev/null   # page cache, prefix
  for run in $(seq "$runs"); do
    t_ours+=("$(install_once ours "$name-$run")")
    [ "$have_nsis" = 1 ] && t_nsis+=("$(install_once nsis "$name-$run")")
    t_each+=("$(install_once each "$name-$run")")
    t_posted+=("$(install_once posted "$name-$run")")
  done
  local m_ours m_each m_posted m_nsis
  m_ours=$(median "${t_ours[@]}"); m_each=$(median "${t_each[@]}"); m_posted=$(median "${t_posted[@]}")
  echo "== $label: median of $runs installs"
  printf '%-40s %8.2f\n' "ours, progress by time (every 100 ms)" "$m_ours"
  printf '%-40s %8.2f\n' "ours, a progress report per file" "$m_each"
  printf '%-40s %8.2f\n' "ours, a report per file, posted" "$m_posted"
  printf 'per-file ÷ by-time: %.2f (posted: %.2f)\n' "$(ratio "$m_each" "$m_ours")" "$(ratio "$m_posted" "$m_ours")"
  if [ "$have_nsis" = 1 ]; then
    m_nsis=$(median "${t_nsis[@]}")
    printf '%-40s %8.2f\n' "NSIS $(makensis -VERSION) LZMA, silent" "$m_nsis"
    printf 'install time ÷ NSIS: by time %.2f, per file %.2f, per file posted %.2f\n' \
      "$(ratio "$m_ours" "$m_nsis")" "$(ratio "$m_each" "$m_nsis")" "$(ratio "$m_posted" "$m_nsis")"
  fi
  printf 'all runs (s): by time %s | per file %s | posted %s%s\n' "${t_ours[*]}" "${t_each[*]}" "${t_posted[*]}" \
    "$([ "$have_nsis" = 1 ] && echo " | nsis ${t_nsis[*]}")"
  m_last=$m_ours
}

sync && sleep 15   # whatever the build or an earlier run left to write or trim
if [ -n "$kavri_xvfb_pid" ]; then
  # Our own Xvfb runs no window manager. Wine would still treat the
  # installer's window as managed and, when it closes, wait two seconds for a
  # window manager to confirm it is gone; a real desktop answers at once. So
  # the first rounds run with unmanaged windows, the second under a window
  # manager, with managed windows as on a desktop.
  set_managed N
  rounds unmanaged "unmanaged windows, no window manager"
  if command -v evilwm >/dev/null; then
    evilwm -fn fixed >/dev/null 2>&1 &   # Xvfb has only the "fixed" font, not its default
    wm_pid=$!
    sleep 1
    set_managed Y
    rounds managed "managed windows under evilwm"
  else
    echo "install-vs-nsis: evilwm is not installed (scripts/setup.sh): no managed-window rounds" >&2
  fi
else
  rounds display "this display's window manager"
fi

# The native floor: the same package decoded and written by the host's lzpack.
native="$work/native-out"
# It runs before any tree is deleted, like the installs.
rm -rf "$native"
sync
start=$(date +%s.%N); "$build/host/tools/lzpack" extract "$package" "$native" >/dev/null; end=$(date +%s.%N)
t_native=$(echo "$end - $start" | bc -l)
rm -rf "$native" "$work/installed"

size() { stat -c %s "$1"; }
s_ours=$(size "$ours"); s_pkg=$(size "$package")
s_ours_stub=$((s_ours - s_pkg))

printf 'installed trees identical to the payload: yes (%d runs each)\n' "$runs"
printf '%-40s %8.2f\n' "native lzpack extract (host)" "$t_native"
printf 'ours by time (last rounds) ÷ native lzpack extract (the floor: same entries, same decoder, one core): %.2f\n' \
  "$(ratio "$m_last" "$t_native")"
if [ "$have_nsis" = 1 ]; then
  s_nsis=$(size "$nsis"); s_nsis_stub=$(size "$work/nsis-empty.exe")
  printf 'executable sizes: ours %d, NSIS %d bytes; ratio %.3f\n' "$s_ours" "$s_nsis" "$(ratio "$s_ours" "$s_nsis")"
  printf 'package sizes: ours (program.lz) %d, NSIS (installer less its %d-byte stub) %d; ratio %.3f\n' \
    "$s_pkg" "$s_nsis_stub" "$((s_nsis - s_nsis_stub))" "$(ratio "$s_pkg" "$((s_nsis - s_nsis_stub))")"
  printf 'executable without payload: ours %d bytes, NSIS %d bytes\n' "$s_ours_stub" "$s_nsis_stub"
else
  printf 'executable: ours %d bytes, package (program.lz) %d, without payload %d (NSIS not installed)\n' \
    "$s_ours" "$s_pkg" "$s_ours_stub"
fi
