#!/usr/bin/env bash
# The demo installer as a user meets it, under Wine with real input: accept
# the agreement, install into the default folder, check the copied files are
# byte-identical to the payload, finish. Screenshots of the first and last
# page are kept in the artifacts folder.
set -u
exe=$1 payload=$2 artifacts=$3
export WINEPREFIX=${KAVRI_WINEPREFIX:?} WINEDEBUG=-all
source "$(dirname "$0")/../../scripts/wine-select.sh"
kavri_wine_select "${KAVRI_WINE_BITS:-32}"
mkdir -p "$artifacts"
target="$WINEPREFIX/drive_c/Program Files/Kavri"
rm -rf "$target"

fail() { echo "FAIL: $*"; kill "${app:-0}" 2>/dev/null; exit 1; }

"$KAVRI_WINE" "$exe" >/dev/null 2>&1 &
app=$!
wid=""
for _ in $(seq 150); do
  wid=$(xdotool search --name '^Kavri Setup$' 2>/dev/null | head -n1)
  [ -n "$wid" ] && break
  sleep 0.2
done
[ -n "$wid" ] || fail "the installer window did not appear"
sleep 2
eval "$(xdotool getwindowgeometry --shell "$wid")"   # X Y WIDTH HEIGHT

# Positions from installer/frame/main.xml (margins from the window's edges).
click() { xdotool mousemove "$1" "$2" click 1; sleep 1; }
agreement_x=$((X + 48)) agreement_y=$((Y + HEIGHT - 34 - 10))
button_x=$((X + WIDTH - 40 - 60)) button_y=$((Y + HEIGHT - 28 - 16))

click "$agreement_x" "$agreement_y"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" "$artifacts/demo-first-page.png"
click "$button_x" "$button_y"

for _ in $(seq 150); do
  [ -f "$target/data/settings.ini" ] && break
  sleep 0.2
done
sleep 2
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" "$artifacts/demo-last-page.png"
diff -r "$payload" "$target" >/dev/null || fail "installed files differ from the payload"
echo "ok: payload installed byte-identically"

click "$button_x" "$button_y"   # Finish
for _ in $(seq 100); do
  kill -0 "$app" 2>/dev/null || break
  sleep 0.2
done
kill -0 "$app" 2>/dev/null && fail "the installer did not end after Finish"
wait "$app"; status=$?
[ "$status" -eq 0 ] || fail "exit code $status"
echo "ok: finished with exit code 0; screenshots in $artifacts"
