#!/usr/bin/env bash
# Runs a built installer (or uninstaller, or any Windows program) in a Wine
# prefix of its own that is thrown away afterwards, inside Xvfb unless a
# display is given, saves a screenshot and prints its exit code:
#   bash scripts/run-installer.sh [--arch 32|64] [--delay SECONDS] [--screenshot FILE]
#        [--changes] [--keep] [--then PROGRAM [ARGS...] --] EXE [ARGS...]
# --arch      the Wine for 32- or 64-bit programs (default: read from EXE)
# --delay     seconds before the screenshot (default 6); a program still
#             running then is ended after it (nobody can click in Xvfb)
# --screenshot where the screenshot goes (default: EXE's name with .png,
#             in the current folder)
# --changes   also prints what the run left: the files and folders made or
#             removed below C:\ (outside C:\windows), the registry values
#             below HKLM\Software and HKCU\Software, and the shortcuts
# --then      runs PROGRAM (a path inside the prefix, such as
#             'C:\Program Files\Tally\Uninstall.exe', and its arguments) after
#             EXE ended, in the same prefix; its exit code is printed too
# --keep      keeps the prefix and prints where it is
# Wine's menu builder is off and the prefix's user folders are folders of
# its own, so nothing of the run reaches the real home's menus or desktop.
# The script's own exit code is EXE's.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
usage() {
  sed -n '2,21p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
}
arch='' delay=6 shot='' changes='' keep='' then=()
while [ $# -gt 0 ]; do
  case "$1" in
    --arch) arch=${2:-}; shift 2 || usage ;;
    --delay) delay=${2:-}; shift 2 || usage ;;
    --screenshot) shot=${2:-}; shift 2 || usage ;;
    --changes) changes=1; shift ;;
    --keep) keep=1; shift ;;
    --then)
      shift
      while [ $# -gt 0 ] && [ "$1" != -- ]; do then+=("$1"); shift; done
      [ $# -gt 0 ] || usage
      shift ;;
    -h|--help) usage ;;
    -*) usage ;;
    *) break ;;
  esac
done
[ $# -ge 1 ] || usage
exe=$1; shift
[ -f "$exe" ] || { echo "run-installer: $exe does not exist" >&2; exit 2; }
exe=$(cd "$(dirname "$exe")" && pwd)/$(basename "$exe")
[ -n "$shot" ] || shot="$(basename "${exe%.*}").png"
case "$delay" in ''|*[!0-9]*) echo "run-installer: --delay takes whole seconds" >&2; exit 2 ;; esac

# The architecture from the file's header: the machine field after "PE\0\0".
if [ -z "$arch" ]; then
  pe=$(od -An -tu4 -j60 -N4 "$exe" | tr -d ' ')
  machine=$(od -An -tx2 -j$((pe + 4)) -N2 "$exe" | tr -d ' ')
  case "$machine" in
    014c) arch=32 ;;
    8664) arch=64 ;;
    *) echo "run-installer: $exe is no 32- or 64-bit Windows program (machine $machine)" >&2; exit 2 ;;
  esac
fi
case "$arch" in 32|64) ;; *) usage ;; esac

home_menus="$HOME/.local/share/applications"
menus_before=$(find "$home_menus" "$HOME/Desktop" 2>/dev/null | sort || true)

# A prefix of its own (wine-env.sh makes it, with its display and server).
kavri_winbuild=$(mktemp -d "${TMPDIR:-/tmp}/kavri-run.XXXXXX")
kavri_arch=$arch
echo "run-installer: a fresh $arch-bit Wine prefix in $kavri_winbuild (this takes a while)"
source "$root/scripts/wine-env.sh"
finish() {
  kavri_wine_cleanup
  if [ -n "$keep" ]; then
    echo "run-installer: the prefix stays in $WINEPREFIX"
  else
    rm -rf "$kavri_winbuild"
  fi
}
trap finish EXIT

drive_c="$WINEPREFIX/drive_c"
files_state() { (cd "$drive_c" && find . -path ./windows -prune -o -print | sed 's|^\./||' | sort); }
# The values below HKLM\Software and HKCU\Software (where installers write;
# Wine's own device set-up elsewhere would only add noise), as the running
# Wine exports them (its files on disk lag behind): one line a value, its
# key in front, a value written over several lines joined into one.
registry_state() {
  local key file="$kavri_winbuild/export.reg"
  for key in 'HKLM\Software' 'HKCU\Software'; do
    rm -f "$file"
    wine reg export "$key" "Z:${file//\//\\}" /y >/dev/null 2>&1 || continue
    iconv -f UTF-16 -t UTF-8 "$file" 2>/dev/null | tr -d '\r' | awk '
      /^\[/ { key = $0; next }
      /^$/ || /^Windows Registry Editor/ { next }
      { line = line $0 }
      /\\$/ { sub(/\\$/, "", line); next }
      { gsub(/  +/, "", line); print key " " line; line = "" }'
  done | sort
}
# The files settle: a program may leave a copy of itself working after it
# ends (an uninstaller does, to remove its own folder).
settle() {
  local last now
  last=$(files_state)
  for _ in $(seq 60); do
    sleep 1
    now=$(files_state)
    [ "$now" = "$last" ] && return 0
    last=$now
  done
}
files_before=''
registry_before=''
if [ -n "$changes" ]; then
  files_before=$(files_state)
  registry_before=$(registry_state)
fi

wine "$exe" "$@" >/dev/null 2>&1 &
app=$!
waited=0
while [ "$waited" -lt "$delay" ] && kill -0 "$app" 2>/dev/null; do sleep 1; waited=$((waited + 1)); done
import -window root "$shot" 2>/dev/null && echo "run-installer: screenshot $shot" ||
  echo "run-installer: no screenshot (ImageMagick's import failed)"
if kill -0 "$app" 2>/dev/null; then
  echo "run-installer: $(basename "$exe") still runs after ${delay}s; it is ended"
  wineserver -k >/dev/null 2>&1 || true
fi
status=0
wait "$app" || status=$?
echo "run-installer: exit code $status"

if [ ${#then[@]} -gt 0 ]; then
  then_status=0
  wine "${then[@]}" >/dev/null 2>&1 || then_status=$?
  echo "run-installer: ${then[0]} exit code $then_status"
fi

if [ -n "$changes" ]; then
  settle
  echo "--- files and folders (+ made, - removed) below C:\\"
  diff <(echo "$files_before") <(files_state) | sed -n 's/^> /+ /p; s/^< /- /p' || true
  echo "--- registry values below HKLM\\Software and HKCU\\Software (+ written, - removed)"
  diff <(echo "$registry_before") <(registry_state) | sed -n 's/^> /+ /p; s/^< /- /p' || true
  echo "--- shortcuts"
  (cd "$drive_c" && find . -path ./windows -prune -o -iname '*.lnk' -print | sed 's|^\./||' | sort)
fi

menus_after=$(find "$home_menus" "$HOME/Desktop" 2>/dev/null | sort || true)
if [ "$menus_before" != "$menus_after" ]; then
  echo "run-installer: warning: the real home's menus or desktop changed:" >&2
  diff <(echo "$menus_before") <(echo "$menus_after") >&2 || true
fi
exit "$status"
