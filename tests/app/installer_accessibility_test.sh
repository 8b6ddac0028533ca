#!/usr/bin/env bash
# The demo installer as a screen reader meets it: a client in another process
# (accessibility_client.exe) reads the window's accessible object page by
# page (roles, names, values, states), ticks the licence box and presses
# Next, Install and Finish through the controls' default actions, with a
# WinEvent hook seeing the state, focus and value changes; the progress
# bar's value is read while the copy runs (paced with /PACE). Then the
# machine holds the installed program.
exe=$1 client=$2 artifacts=$3
source "$(dirname "$0")/installer_test_lib.sh"
mkdir -p "$artifacts"
clean_machine
trap cleanup EXIT

start_app "Kavri Setup" "$exe" /PACE=800
out=$(mktemp)
"$KAVRI_WINE" "$client" "Kavri Setup" >"$out" 2>/dev/null; status=$?
tr -d '\r' <"$out"; rm -f "$out"
[ "$status" -eq 0 ] || fail "the accessibility client failed (exit code $status)"
expect_exit 0
[ -f "$install_dir/Kavri.exe" ] && [ -f "$install_dir/install-log.json" ] || fail "nothing was installed"
[ -f "$start_menu/Kavri/Kavri.lnk" ] || fail "no start-menu shortcut"
[ -e "$desktop/Kavri.lnk" ] && fail "a desktop shortcut nobody asked for"
echo "ok: installed through the accessible objects alone"
