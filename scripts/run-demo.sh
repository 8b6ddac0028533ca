#!/usr/bin/env bash
# Builds the demo installer and starts it under Wine. Without a display it runs
# inside Xvfb and saves a screenshot to build/screenshot.png after a few seconds.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KAVRI_BUILD_DIR:-$root/build}

bash "$root/scripts/build.sh"

had_display=${DISPLAY:-}
source "$root/scripts/wine-env.sh"
trap kavri_wine_cleanup EXIT

wine "$build/KavriSetup.exe" &
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
