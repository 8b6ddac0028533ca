#!/usr/bin/env bash
# The demo installer as a user meets it, under Wine with real input: scroll
# the licence with the wheel, the keyboard and its bar, choose a start-menu
# folder in the drop-down, accept the agreement, install into the default
# folder (the progress page's bar filling and slideshow fading), check the
# copied files are byte-identical to the payload and the shortcut is in the
# chosen folder, finish. Screenshots of the scrolled licence, the open
# drop-down, the first page, the progress page and the last page are kept in
# the artifacts folder.
set -u
exe=$1 payload=$2 artifacts=$3
export WINEPREFIX=${KAVRI_WINEPREFIX:?} WINEDEBUG=-all
source "$(dirname "$0")/../../scripts/wine-select.sh"
kavri_wine_select "${KAVRI_WINE_BITS:-32}"
mkdir -p "$artifacts"
target="$WINEPREFIX/drive_c/Program Files/Kavri"
rm -rf "$target"
find "$WINEPREFIX/drive_c" -type d -name 'Kavri Demo' -path '*Start Menu*' -prune -exec rm -rf {} + 2>/dev/null

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

# The licence panel (40,76 .. 560,200 in the window) and its bar's down arrow.
licence_x=$((X + 300)) licence_y=$((Y + 138))
arrow_x=$((X + 560 - 8)) arrow_y=$((Y + 200 - 8))
snap_licence() { import -window root -crop "520x124+$((X + 40))+$((Y + 76))" "$1"; }
differs() { [ "$(compare -metric AE "$1" "$2" null: 2>&1 | cut -d' ' -f1)" != 0 ]; }
snap_licence "$artifacts/licence-top.png"
xdotool mousemove "$licence_x" "$licence_y" click 5; sleep 1   # one wheel notch down
snap_licence "$artifacts/licence-wheel.png"
differs "$artifacts/licence-top.png" "$artifacts/licence-wheel.png" || fail "the wheel did not scroll the licence"
xdotool click 1 key Home; sleep 1                              # focus the licence, back to the top
snap_licence "$artifacts/licence-home.png"
differs "$artifacts/licence-wheel.png" "$artifacts/licence-home.png" || fail "Home did not scroll the licence"
xdotool key Next; sleep 1                                      # Page Down
snap_licence "$artifacts/licence-page.png"
differs "$artifacts/licence-home.png" "$artifacts/licence-page.png" || fail "Page Down did not scroll the licence"
xdotool mousemove "$arrow_x" "$arrow_y" mousedown 1; sleep 1; xdotool mouseup 1; sleep 1   # held: repeats
snap_licence "$artifacts/licence-arrow.png"
differs "$artifacts/licence-page.png" "$artifacts/licence-arrow.png" || fail "the bar's arrow did not scroll the licence"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" "$artifacts/demo-licence-scrolled.png"

# The start-menu folder: drop down (below the combo, 24-pixel rows inside a
# 2-pixel frame) and choose the second item, "Kavri Demo".
combo_x=$((X + 170)) combo_y=$((Y + 304))
click "$combo_x" "$combo_y"
import -window root -crop "${WIDTH}x$((HEIGHT + 80))+${X}+${Y}" "$artifacts/demo-choice-dropped.png"
click "$combo_x" $((Y + 318 + 2 + 24 + 12))
import -window root -crop "${WIDTH}x$((HEIGHT + 80))+${X}+${Y}" "$artifacts/demo-choice-chosen.png"
differs "$artifacts/demo-choice-dropped.png" "$artifacts/demo-choice-chosen.png" || fail "the drop-down did not close"

click "$agreement_x" "$agreement_y"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" "$artifacts/demo-first-page.png"
click "$button_x" "$button_y"

# The demo paces its copy at 2 s a file, so a third is done for the first 2 s
# (click() already waited 1 s); the slideshow, started with the page, turns
# after about 3 s and fades for 1.2 s.
shot() { import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" "$artifacts/$1"; }
pixel() { convert "$artifacts/$1" -format "%[fx:int(255*p{$2,$3}.r)] %[fx:int(255*p{$2,$3}.g)] %[fx:int(255*p{$2,$3}.b)]" info:; }
sleep 0.4
shot demo-progress-page.png
sleep 1.7
shot demo-progress-fade.png
# Bar: 40 pixels in from the left, 30 + 126 down, 12 high; the first third
# is filled (blue), the last part is the grey track.
read -r r g b <<<"$(pixel demo-progress-page.png 60 162)"
[ "$b" -gt $((r + 60)) ] || fail "the progress bar shows no fill at a third ($r $g $b)"
read -r r g b <<<"$(pixel demo-progress-page.png $((WIDTH - 60)) 162)"
[ "$b" -lt $((r + 40)) ] || fail "the progress bar is filled past a third ($r $g $b)"
# Slideshow: 40 in, 30 + 190 down; a picture is shown, not the page's background.
read -r r g b <<<"$(pixel demo-progress-page.png 100 280)"
[ "$r" -lt 200 ] || fail "the slideshow shows no picture ($r $g $b)"
echo "ok: the progress page shows the bar filling and the slideshow"

for _ in $(seq 150); do
  [ -f "$target/data/settings.ini" ] && break
  sleep 0.2
done
sleep 2
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" "$artifacts/demo-last-page.png"
diff -r "$payload" "$target" >/dev/null || fail "installed files differ from the payload"
echo "ok: payload installed byte-identically"
shortcut=$(find "$WINEPREFIX/drive_c" -path '*/Kavri Demo/Kavri Readme.lnk' 2>/dev/null | head -n1)
[ -n "$shortcut" ] || fail "no shortcut in the chosen start-menu folder \"Kavri Demo\""
echo "ok: shortcut in the chosen start-menu folder"

click "$button_x" "$button_y"   # Finish
for _ in $(seq 100); do
  kill -0 "$app" 2>/dev/null || break
  sleep 0.2
done
kill -0 "$app" 2>/dev/null && fail "the installer did not end after Finish"
wait "$app"; status=$?
[ "$status" -eq 0 ] || fail "exit code $status"
echo "ok: finished with exit code 0; screenshots in $artifacts"
