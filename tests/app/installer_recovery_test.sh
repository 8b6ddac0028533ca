#!/usr/bin/env bash
# A setup killed half-way (a paced run over an older Kavri.exe, killed once
# it has replaced it and written the next file) leaves the copy of the old
# file, new files and folders, and its journal. The next setup undoes that
# before anything else: started with its window, it says so in a box, and by
# the welcome page the machine is exactly as before the killed run (the old
# Kavri.exe back, no copy, no new file or folder, the registry as it was, the
# journal gone); quitting there ends with 1602. A silent setup does the same, and then goes on with its own
# command line (here a refused folder: exit code 267).
exe=$1 artifacts=$2
source "$(dirname "$0")/installer_test_lib.sh"
mkdir -p "$artifacts"
clean_machine
trap cleanup EXIT

mkdir -p "$install_dir"
echo "Kavri 0.9" > "$install_dir/Kavri.exe"
wine_run reg add "$product_key" /v Theme /t REG_SZ /d dark /f >/dev/null 2>&1
before=$(machine_state)

# Starts a paced silent install and kills it once Kavri.exe is replaced and
# Uninstall.exe written.
install_and_kill() {
  "$KAVRI_WINE" "$exe" /S /PACE=3000 >/dev/null 2>&1 &
  local run=$!
  for _ in $(seq 150); do
    [ -f "$install_dir/Uninstall.exe" ] && ! grep -q "Kavri 0.9" "$install_dir/Kavri.exe" && break
    sleep 0.1
  done
  sleep 0.5
  kill -KILL "$run" 2>/dev/null
  wait "$run" 2>/dev/null
  [ -f "$install_dir/Kavri.exe.kavri-backup" ] || fail "the killed run left no copy of the old Kavri.exe"
  grep -q "Kavri 0.9" "$install_dir/Kavri.exe" && fail "the killed run had not replaced Kavri.exe"
  wine_run reg query "$journal_key" >/dev/null 2>&1 || fail "the killed run left no journal"
  true
}

expect_as_before() {
  expect_machine "$before" "$1"
  wine_run reg query "$journal_key" >/dev/null 2>&1 && fail "the journal is still there after $1"
  ls "$drive_c/windows/temp" | grep -q '^Kavri-' && fail "the journal's folder is still there after $1"
  true
}

install_and_kill
start_background "$exe"
answer_box "提示" Return recovery-box.png
wid=$(wait_window "Kavri Setup") || fail "the setup's window did not follow the box"
expect_as_before "the next setup did not undo the killed one"
grep -q "Kavri 0.9" "$install_dir/Kavri.exe" || fail "the old Kavri.exe is not back"
sleep 1
measure_window "$wid"
click $((X + WIDTH - 20)) $((Y + 15))                # the close box asks: quit
answer_box "提示" Return
expect_exit 1602
echo "ok: the next setup with its window undid the killed one, and said so"

install_and_kill
expect_code 267 "the silent setup after the killed one" "$exe" /S /D=Kavri
expect_as_before "the silent setup did not undo the killed one"
echo "ok: a silent setup undid the killed one, then refused its folder (267); screenshot in $artifacts"
