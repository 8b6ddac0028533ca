#!/usr/bin/env bash
# The demo installer as a user meets it, under Wine with real input: the
# welcome page; the licence scrolled with the wheel, the keyboard and its bar,
# Next held back until it is accepted; the folder page refusing a relative
# path and a system folder with a message, a start-menu folder chosen in the
# drop-down and the desktop shortcut ticked; the progress page (paced with
# /PACE so it can be seen) with its bar filling and its slideshow; the finish
# page, whose "start Kavri" check box starts the installed program. Then the
# machine is checked: the payload installed byte for byte, the registration
# in the installed-programs list with every value, the product's key, the
# shortcuts and the install log. Screenshots of every page go to the
# artifacts folder.
exe=$1 payload=$2 artifacts=$3
source "$(dirname "$0")/installer_test_lib.sh"
mkdir -p "$artifacts"
clean_machine

start_app "Kavri Setup" "$exe" /PACE=1200

# Welcome.
shot installer-welcome.png
click_primary

# Licence: a panel 40,76 .. 560,290 in the window, its bar's down arrow at
# the bottom right; the check box 34 above the bottom edge.
licence_x=$((X + 300)) licence_y=$((Y + 180))
arrow_x=$((X + 560 - 8)) arrow_y=$((Y + 290 - 8))
snap_licence() { import -window root -crop "520x214+$((X + 40))+$((Y + 76))" "$artifacts/$1"; }
snap_licence licence-top.png
xdotool mousemove "$licence_x" "$licence_y" click 5; sleep 1   # one wheel notch down
snap_licence licence-wheel.png
differs "$artifacts/licence-top.png" "$artifacts/licence-wheel.png" || fail "the wheel did not scroll the licence"
xdotool click 1 key Home; sleep 1                              # focus the licence, back to the top
snap_licence licence-home.png
differs "$artifacts/licence-wheel.png" "$artifacts/licence-home.png" || fail "Home did not scroll the licence"
xdotool mousemove "$arrow_x" "$arrow_y" mousedown 1; sleep 1; xdotool mouseup 1; sleep 1   # held: repeats
snap_licence licence-arrow.png
differs "$artifacts/licence-home.png" "$artifacts/licence-arrow.png" || fail "the bar's arrow did not scroll the licence"
heading() { import -window root -crop "520x40+$((X + 40))+$((Y + 36))" "$artifacts/$1"; }
heading heading-licence.png
click_primary                                                  # Next, disabled
heading heading-after-next.png
differs "$artifacts/heading-licence.png" "$artifacts/heading-after-next.png" &&
  fail "Next left the licence page before the agreement was accepted"
click $((X + 48)) $((Y + HEIGHT - 44))
shot installer-licence.png
click_primary
echo "ok: welcome and licence pages; Next waits for the agreement"

# Folder page: refusals first.
heading heading-folder.png
shot installer-folder-default.png
type_folder 'Kavri'
click_primary 0.2
answer_box "提示" Return installer-folder-refused.png
type_folder 'C:\windows'
click_primary 0.2
answer_box "提示" Return installer-folder-system.png
heading heading-folder-after.png
differs "$artifacts/heading-folder.png" "$artifacts/heading-folder-after.png" &&
  fail "the folder page did not stay after a refused folder"
type_folder 'C:\Program Files\Kavri'
# Start-menu folder: drop down (24-pixel rows in a 2-pixel frame below the
# combo at 40,206 .. 300,234) and choose "Kavri Demo"; tick the desktop box.
click $((X + 170)) $((Y + 220))
shot_screen installer-choice-dropped.png
click $((X + 170)) $((Y + 234 + 2 + 24 + 12))
click $((X + 50)) $((Y + 258))
sleep 1   # the space lines follow the folder box twice a second
shot installer-folder.png
echo "ok: the folder page refuses a relative path and a system folder"

# Install: the progress page, paced at 1.2 s a file. Progress is by bytes:
# the first file (Kavri.exe) is about 1% of them, the second (Uninstall.exe)
# most of the rest.
click_primary 0.4
shot installer-progress-start.png
read -r r g b <<<"$(pixel installer-progress-start.png $((WIDTH - 60)) 162)"
[ "$b" -lt $((r + 40)) ] || fail "the progress bar is full at the start ($r $g $b)"
sleep 1.6
shot installer-progress.png
read -r r g b <<<"$(pixel installer-progress.png 60 162)"
[ "$b" -gt $((r + 60)) ] || fail "the progress bar shows no fill ($r $g $b)"
read -r r g b <<<"$(pixel installer-progress.png 100 260)"
[ "$r" -lt 200 ] || fail "the slideshow shows no picture ($r $g $b)"
echo "ok: the progress page shows the bar filling and the slideshow"

wait_for "$install_dir/install-log.json" || fail "the install log was not written"
sleep 2
shot installer-finish.png
read -r r g b <<<"$(pixel installer-finish.png 50 220)"   # "Start Kavri now", ticked: blue
[ "$b" -gt $((r + 60)) ] || fail "\"Start Kavri now\" is not ticked ($r $g $b)"
[ "$(darkest installer-finish.png 175 210 40 20)" -gt 200 ] || fail "a restart is offered with no file in use"

# The machine: files, registration, shortcuts, log.
for name in readme.txt docs/guide.txt data/settings.ini; do
  cmp -s "$payload/$name" "$install_dir/$name" || fail "$name differs from the payload"
done
[ -f "$install_dir/Kavri.exe" ] && [ -f "$install_dir/Uninstall.exe" ] || fail "Kavri.exe or Uninstall.exe missing"
registration=$(reg_query "$uninstall_key")
for pair in "DisplayName.*REG_SZ *Kavri$" "DisplayVersion.*1\.0\.0" "Publisher.*Kavri" \
            "InstallLocation.*C:\\\\Program Files\\\\Kavri$" "DisplayIcon.*Kavri\.exe" \
            "UninstallString.*\"C:\\\\Program Files\\\\Kavri\\\\Uninstall\.exe\"$" \
            "QuietUninstallString.*Uninstall\.exe\" /S$" "EstimatedSize.*REG_DWORD *0x[1-9a-f]" \
            "NoModify.*0x1" "NoRepair.*0x1"; do
  grep -q "$pair" <<<"$registration" || fail "registration lacks $pair: $registration"
done
reg_query "$product_key" | grep -q 'InstallPath.*C:\\Program Files\\Kavri$' || fail "no InstallPath in $product_key"
for link in "$start_menu/Kavri Demo/Kavri.lnk" "$start_menu/Kavri Demo/Kavri Readme.lnk" \
            "$start_menu/Kavri Demo/Uninstall Kavri.lnk" "$desktop/Kavri.lnk"; do
  [ -f "$link" ] || fail "no shortcut $link"
done
python3 - "$install_dir" <<'EOF' || fail "the install log does not list what was installed"
import json, os, sys
root = sys.argv[1]
log = json.load(open(os.path.join(root, "install-log.json"), encoding="utf-8"))
assert log["product"] == "Kavri" and log["folder"] == "C:\\Program Files\\Kavri", log
for entry in log["files"]:
    local = os.path.join(root, entry["path"].split("Kavri\\", 1)[1].replace("\\", "/"))
    assert os.path.getsize(local) == entry["size"], entry
names = sorted(e["path"].rsplit("\\", 1)[1] for e in log["files"])
assert names == ["Kavri.exe", "Uninstall.exe", "guide.txt", "readme.txt", "settings.ini"], names
assert log["folders"][-1] == "C:\\Program Files\\Kavri", log["folders"]
assert any(f.endswith("\\Kavri Demo") for f in log["folders"]), log["folders"]
assert len(log["shortcuts"]) == 4, log["shortcuts"]
assert {"root": "HKEY_LOCAL_MACHINE", "key": "Software\\Kavri"} in log["keys"], log["keys"]
EOF
echo "ok: files, registration, product key, shortcuts and install log"

# Finish with "Start Kavri now" ticked: the installed program starts.
click_primary
expect_exit 0
program=$(wait_window Kavri) || fail "the installed program did not start"
sleep 0.5
shot_screen installer-program-started.png
xdotool windowactivate --sync "$program" 2>/dev/null; xdotool key --window "$program" Return
echo "ok: finished with exit code 0 and started Kavri; screenshots in $artifacts"
