#!/usr/bin/env bash
# The demo installer at 100 %, 150 % and 200 % display scale (Wine's LogPixels
# for the test prefix, set before Wine starts): the window is 1.5x and 2x the
# 100 % size in pixels; the welcome, licence and folder pages match their
# committed references (tests/app/shots/PAGE-PERCENT.png, compared by
# tests/tools/shot_compare.sh, a diff image in the artifacts folder when they
# differ); clicks at scaled positions reach the licence check box, Next and a
# row of the start-menu drop-down;
# text strokes stay as sharp as at 100 % (the share of in-between grey levels
# in the heading does not grow, as it would for a stretched picture).
# Re-bless the references after an intended change:
#   KAVRI_BLESS_SHOTS=1 KAVRI_SKIP_OTHER_ARCH=1 KAVRI_FUZZ_SECONDS=0 bash scripts/test.sh -R display_scale
exe=$1 artifacts=$3/display-scale
here=$(dirname "$0")
source "$here/installer_test_lib.sh"
references="$here/shots"
compare_shot="$here/../tools/shot_compare.sh"
mkdir -p "$artifacts"
desktop_key='HKCU\Control Panel\Desktop'

set_scale() {
  "$KAVRI_WINESERVER" -k >/dev/null 2>&1
  "$KAVRI_WINESERVER" -w >/dev/null 2>&1
  wine_run reg add "$desktop_key" /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1 || fail "LogPixels not set"
  "$KAVRI_WINESERVER" -k >/dev/null 2>&1
  "$KAVRI_WINESERVER" -w >/dev/null 2>&1
}
restore_scale() {
  set_scale 96
  cleanup
}
trap restore_scale EXIT

# A layout length at the current scale, in pixels (rounded to nearest).
s() { echo $(( ($1 * percent + 50) / 100 )); }
away() { xdotool mousemove 0 0; sleep 0.6; }   # no hover highlight in the shots

# page_shot PAGE [LEFT TOP RIGHT BOTTOM]: the window's shot, compared with
# its reference; the rectangle given (layout units) is blanked first, for
# what differs from machine to machine (the free disk space).
page_shot() {
  local page=$1
  away
  shot "$page-$percent.png"
  if [ $# = 5 ]; then
    mogrify -fill 'rgb(128,128,128)' -draw "rectangle $(s "$2"),$(s "$3") $(( $(s "$4") - 1 )),$(( $(s "$5") - 1 ))" \
      "$artifacts/$page-$percent.png"
  fi
  bash "$compare_shot" "$references/$page-$percent.png" "$artifacts/$page-$percent.png" \
    "$artifacts/$page-$percent-diff.png" || failures+=("$page at $percent %")
}

# The heading's box (the page title, at 40,72 on every page).
heading_crop() { echo "$(s 360)x$(s 30)+$(s 40)+$(s 72)"; }
# The share (per mille) of in-between levels among the heading's inked
# pixels: neither the background (the commonest level) nor the ink (the
# furthest from it). Sharp text has few, a stretched bitmap many.
blur_share() {
  convert "$1" +repage -crop "$(heading_crop)" +repage -colorspace gray -depth 8 gray:- |
    python3 -c '
import sys
data = sys.stdin.buffer.read()
background = max(set(data), key=data.count)
ink = max(data, key=lambda v: abs(v - background))
inked = [v for v in data if abs(v - background) > 24]
between = [v for v in inked if abs(v - ink) > 24]
print(1000 * len(between) // max(len(inked), 1))'
}

failures=()
for percent in 100 150 200; do
  set_scale $((96 * percent / 100))
  clean_machine
  start_app "Kavri Setup" "$exe"
  if [ "$percent" = 100 ]; then
    base_width=$WIDTH base_height=$HEIGHT
  else
    for side in "$WIDTH $base_width" "$HEIGHT $base_height"; do
      read -r have base <<<"$side"
      want=$(( (base * percent + 50) / 100 ))
      [ "$have" -ge $((want - 1)) ] && [ "$have" -le $((want + 1)) ] ||
        fail "at $percent % the window is ${WIDTH}x$HEIGHT, expected $percent % of ${base_width}x$base_height"
    done
  fi

  page_shot welcome
  share=$(blur_share "$artifacts/welcome-$percent.png")
  echo "text: $share per mille of the heading's inked pixels are in-between greys at $percent %"
  if [ "$percent" = 100 ]; then
    base_share=$share
  elif [ "$share" -gt $((base_share + base_share / 4 + 30)) ]; then
    fail "text is blurred at $percent %: $share per mille in-between greys, $base_share at 100 %"
  fi

  # Next, the licence; its check box (48, 44 above the bottom) at the scaled place.
  click $((X + WIDTH - $(s 100))) $((Y + HEIGHT - $(s 44)))
  page_shot licence
  click $((X + $(s 48))) $((Y + HEIGHT - $(s 44)))
  click $((X + WIDTH - $(s 100))) $((Y + HEIGHT - $(s 44)))
  sleep 0.5
  page_shot folder 40 154 400 175   # "Space free on drive C: ..."
  heading_before=$(convert "$artifacts/licence-$percent.png" +repage -crop "$(heading_crop)" +repage -format %# info:)
  heading_after=$(convert "$artifacts/folder-$percent.png" +repage -crop "$(heading_crop)" +repage -format %# info:)
  [ "$heading_before" != "$heading_after" ] ||
    fail "at $percent % the clicks on the check box and Next did not reach the folder page"
  # The start-menu combo (40,206 .. 300,234): its drop-down opens below it
  # with 24-unit rows in a 2-unit frame; the second row, clicked at its scaled
  # place, becomes the combo's text.
  combo_crop="$(s 260)x$(s 28)+$(s 40)+$(s 206)"
  convert "$artifacts/folder-$percent.png" +repage -crop "$combo_crop" +repage "$artifacts/combo-before-$percent.png"
  click $((X + $(s 170))) $((Y + $(s 220)))
  shot_screen "combo-dropped-$percent.png"
  click $((X + $(s 170))) $((Y + $(s 234) + $(s 2) + $(s 24) + $(s 12)))
  away
  shot "folder-chosen-$percent.png"
  convert "$artifacts/folder-chosen-$percent.png" +repage -crop "$combo_crop" +repage "$artifacts/combo-after-$percent.png"
  differs "$artifacts/combo-before-$percent.png" "$artifacts/combo-after-$percent.png" ||
    fail "at $percent % the drop-down's second row, clicked at its scaled place, was not chosen"
  echo "ok: $percent % (${WIDTH}x$HEIGHT)"

  kill "$app" 2>/dev/null
  wait "$app" 2>/dev/null
  app=""
done
[ ${#failures[@]} = 0 ] || fail "screenshots differ from their references: ${failures[*]} (diffs in $artifacts)"
echo "ok: the demo pages keep their size and sharpness at 150 % and 200 %"
