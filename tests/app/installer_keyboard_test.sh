#!/usr/bin/env bash
# The demo installer and its uninstaller with the keyboard alone (xdotool key
# events; the windows get the keyboard focus as a window manager would give
# it, never by a click): Escape asks to quit and "No" stays; Enter presses
# each page's default button; the licence scrolls with the arrows, Tab
# reaches its box (the focus mark moves there) and Space ticks it; on the
# folder page the access keys of a label (Alt+M, the start-menu folder) and
# of a check box (Alt+D, the desktop shortcut) and Down in the combo box
# choose; on the last page Alt+S unticks "Start Kavri now". Then the
# uninstaller: Enter removes, Enter closes. Screenshots with the focus mark
# go to the artifacts folder.
exe=$1 artifacts=$2
source "$(dirname "$0")/installer_test_lib.sh"
mkdir -p "$artifacts"
clean_machine
trap cleanup EXIT

keys() { xdotool key --delay 80 "$@"; sleep "${KEY_PAUSE:-0.7}"; }
focus_window() { xdotool windowfocus --sync "$1" 2>/dev/null; sleep 0.3; }
region() { import -window root -crop "$3x$4+$((X + $1))+$((Y + $2))" "$artifacts/$5"; }

start_app "Kavri Setup" "$exe" /PACE=300
focus_window "$wid"
shot keys-welcome.png

# Escape is the close box: it asks first, and "No" (its access key) stays.
keys Escape
box=$(wait_window "提示") || fail "Escape asked nothing"
shot_screen keys-quit-question.png
# The system's box is the active window: the keys reach it through the
# setup's X window, which keeps the keyboard focus.
keys n
for _ in $(seq 50); do
  xdotool search --onlyvisible --name '^提示$' 2>/dev/null | grep -qx "$box" || break
  sleep 0.2
done
xdotool search --onlyvisible --name '^提示$' >/dev/null 2>&1 && fail "the question took no answer"
sleep 0.5
heading() { import -window root -crop "520x40+$((X + 40))+$((Y + 36))" "$artifacts/$1"; }
heading keys-heading-welcome.png
keys Return                                   # Next, the welcome page's default
heading keys-heading-licence.png
differs "$artifacts/keys-heading-welcome.png" "$artifacts/keys-heading-licence.png" ||
  fail "Enter did not move on to the licence"

# Licence: the focus is on the agreement (Next waits); the arrows scroll it.
region 40 76 520 214 keys-licence-top.png
keys Down Down Down Down
region 40 76 520 214 keys-licence-down.png
differs "$artifacts/keys-licence-top.png" "$artifacts/keys-licence-down.png" || fail "Down did not scroll the licence"
region 34 340 280 30 keys-box-before.png
keys Tab                                      # to the box: the focus mark goes with it
region 34 340 280 30 keys-box-focused.png
differs "$artifacts/keys-box-before.png" "$artifacts/keys-box-focused.png" || fail "no focus mark on the licence box"
shot keys-licence-focus.png
keys space                                    # ticks it
keys Return                                   # Next, enabled now
heading keys-heading-folder.png
differs "$artifacts/keys-heading-licence.png" "$artifacts/keys-heading-folder.png" ||
  fail "Space and Enter did not accept the licence and move on"

# Folder: the start-menu folder by its label's access key, the desktop
# shortcut by its own; the focus mark is on the combo box meanwhile.
keys alt+m Down
keys alt+d
shot keys-folder.png
keys Return                                   # Install, the default
shot keys-progress.png
wait_for "$install_dir/install-log.json" || fail "the install did not run"
sleep 3
shot keys-finish.png
keys alt+s                                    # untick "Start Kavri now"
keys Return                                   # Finish
expect_exit 0
for link in "$start_menu/Kavri Demo/Kavri.lnk" "$desktop/Kavri.lnk"; do
  [ -f "$link" ] || fail "no shortcut $link: the keys did not choose"
done
xdotool search --onlyvisible --name '^Kavri$' >/dev/null 2>&1 && fail "the program started though it was unticked"
echo "ok: installed with the keyboard alone, the choices made with access keys and arrows"

# The uninstaller: Remove is its default, then Close.
start_app "Kavri Uninstall" "$install_dir/Uninstall.exe"
focus_window "$wid"
shot keys-uninstall.png
keys Return
wait_for "$install_dir/install-log.json" gone || fail "Enter did not remove the install"
sleep 2
wid=$(wait_window "Kavri Uninstall") || fail "the uninstaller's window went"
focus_window "$wid"
shot keys-uninstall-finish.png
keys Return
for _ in $(seq 50); do
  xdotool search --onlyvisible --name '^Kavri Uninstall$' >/dev/null 2>&1 || break
  sleep 0.2
done
xdotool search --onlyvisible --name '^Kavri Uninstall$' >/dev/null 2>&1 && fail "Enter did not close the uninstaller"
wait_uninstaller_copies || fail "the uninstaller's copy did not end"
[ -e "$install_dir" ] && fail "the install folder is still there"
echo "ok: removed with the keyboard alone; screenshots in $artifacts"
