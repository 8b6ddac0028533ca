#!/usr/bin/env bash
# A background work that ends without its last report (the fixture's LG.lua
# makes the install folder and a file in it, journalled, then fails): the
# window notices the work has ended, undoes what it had done and shows the
# failure; Finish ends the setup with exit code 1603. Silent, the same undo
# and exit code.
exe=$1 artifacts=$2
source "$(dirname "$0")/installer_test_lib.sh"
mkdir -p "$artifacts"
clean_machine
trap cleanup EXIT
before=$(machine_state)

expect_undone() {
  expect_machine "$before" "$1"
  wine_run reg query "$journal_key" >/dev/null 2>&1 && fail "the journal is still there: $1"
  true
}

start_app "Kavri Setup" "$exe"
click_primary                                       # welcome
click $((X + 48)) $((Y + HEIGHT - 44))              # accept the licence
click_primary
click_primary 0.5                                   # Install
wait_for "$install_dir/readme.txt" || fail "the fixture's work did not start"
answer_box "错误" Return stopped-work-error.png     # the work's script error
sleep 2
shot stopped-work-finish.png
expect_undone "the work that stopped was not undone"
click_primary                                       # Finish
expect_exit 1603
echo "ok: the window noticed the work had stopped, undid it and closed with 1603"

expect_code 1603 "silent" "$exe" /S
expect_undone "the silent work that stopped was not undone"
echo "ok: silent, the work that stopped is undone and the exit code is 1603; screenshots in $artifacts"
