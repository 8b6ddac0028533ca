#!/usr/bin/env bash
# The finish page starts the installed program as the signed-in user, never
# with the setup's administrator rights (Wine runs every process elevated, so
# the setup must ask the desktop shell). Here there is no desktop shell (this
# prefix's explorer is ended before Finish): "Start Kavri now" then starts
# nothing, the page says why and stays, and the next Finish ends the setup
# (exit code 0). Started elevated instead, Kavri would appear.
exe=$1 artifacts=$2
source "$(dirname "$0")/installer_test_lib.sh"
mkdir -p "$artifacts"
clean_machine
trap cleanup EXIT

expect_code 0 "the silent install" "$exe" /S

start_app "Kavri Setup" "$exe"
click_primary                                       # welcome
click $((X + 48)) $((Y + HEIGHT - 44))              # accept the licence
click_primary
click_primary 0.5                                   # Install into the installed folder
wait_for "$install_dir/install-log.json" || fail "the install did not end"
sleep 3
shot start-as-user-finish.png
read -r r g b <<<"$(pixel start-as-user-finish.png 50 220)"   # "Start Kavri now", ticked: blue
[ "$b" -gt $((r + 60)) ] || fail "\"Start Kavri now\" is not ticked ($r $g $b)"

# This prefix's desktop shell goes.
for pid in $(pgrep -f 'explorer\.exe' 2>/dev/null); do
  tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && kill "$pid"
done
sleep 1
click_primary 2                                     # Finish: start Kavri
shot start-as-user-refused.png
xdotool search --onlyvisible --name '^Kavri$' >/dev/null 2>&1 && fail "Kavri was started without a desktop shell"
kill -0 "$app" 2>/dev/null || fail "the setup ended instead of saying why Kavri did not start"
[ "$(darkest start-as-user-refused.png 40 170 300 20)" -lt 180 ] || fail "the page does not say why Kavri did not start"
click_primary                                       # Finish again: ends
expect_exit 0
xdotool search --onlyvisible --name '^Kavri$' >/dev/null 2>&1 && fail "Kavri was started"
echo "ok: without a desktop shell Kavri is not started, and the page says so; screenshots in $artifacts"
