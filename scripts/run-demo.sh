#!/usr/bin/env bash
# Builds the demo installer (only it and what it needs: no test, no benchmark,
# one architecture) and starts it under Wine. Without a display it runs inside
# Xvfb and saves a screenshot to build/screenshot.png after a few seconds.
#
# The shipped installer is the 32-bit build; where this machine cannot execute
# 32-bit Linux programs (so 32-bit Wine cannot start), the 64-bit build of the
# same installer is shown instead. KAVRI_ARCH=64 (or 32) forces the choice.
#
# KAVRI_SCALE=150 (or 125, 200, ...) previews the pages at that display scale:
# the build's Wine prefix gets that LogPixels for the run and 96 again after.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KAVRI_BUILD_DIR:-$root/build}

source "$root/scripts/arch-detect.sh"
kavri_choose_arch
echo "run-demo: showing the $kavri_arch-bit installer: $kavri_arch_reason"
bash "$root/scripts/build.sh" --target KavriSetup "$kavri_arch"

had_display=${DISPLAY:-}
kavri_winbuild="$build/win$kavri_arch"
source "$root/scripts/wine-env.sh"
trap kavri_wine_cleanup EXIT

scale=${KAVRI_SCALE:-100}
set_log_pixels() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
}
if [ "$scale" != 100 ]; then
  echo "run-demo: at $scale % display scale"
  set_log_pixels $((96 * scale / 100))
  trap 'set_log_pixels 96; kavri_wine_cleanup' EXIT
fi

wine "$kavri_winbuild/KavriSetup.exe" &
app=$!
if [ -z "$had_display" ]; then
  sleep "${KAVRI_SCREENSHOT_DELAY:-6}"
  import -window root "$build/screenshot.png" && echo "Screenshot: $build/screenshot.png"
  wait "$app" 2>/dev/null &
  sleep 1
  wineserver -k >/dev/null 2>&1 || true
else
  wait "$app"
fi
