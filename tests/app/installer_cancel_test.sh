#!/usr/bin/env bash
# Cancel during the copy leaves the machine as it was. An older Kavri.exe
# already lies in the install folder and the product's key holds a value of
# its own; the install (paced with /PACE so it can be caught) is cancelled
# after its first files, with the desktop shortcut asked for. Afterwards the
# install folder, the start menu, the desktop, the product's registry keys
# and the pending renames must be exactly as before: the new files and
# folders gone, the old Kavri.exe back, no backup left, no registry value of
# the install left. The window shows "Cancelling..." until the worker has
# undone everything, then says so; the exit code is 1602 (cancelled).
# A failure is undone the same way: a folder where readme.txt (the last
# entry) belongs cannot be replaced by a file, and a silent install answers
# the failure with "cancel": exit code 1603 (failed), the machine as before.
exe=$1 artifacts=$2
source "$(dirname "$0")/installer_test_lib.sh"
mkdir -p "$artifacts"
clean_machine
mkdir -p "$install_dir"
echo "Kavri 0.9" > "$install_dir/Kavri.exe"
wine_run reg add "$product_key" /v Theme /t REG_SZ /d dark /f >/dev/null 2>&1
before=$(machine_state)
grep -q 'Theme' <<<"$before" || fail "the test's own registry value was not written"

start_app "Kavri Setup" "$exe" /PACE=1500
click_primary                                       # welcome
click $((X + 48)) $((Y + HEIGHT - 44))              # accept the licence
click_primary
click $((X + 50)) $((Y + 258))                      # desktop shortcut
click_primary 2.2                                   # Install; Kavri.exe and Uninstall.exe are written
[ -f "$install_dir/Kavri.exe.kavri-backup" ] || fail "no backup beside the replaced Kavri.exe"
grep -q "Kavri 0.9" "$install_dir/Kavri.exe" && fail "Kavri.exe was not replaced yet"
shot cancel-progress.png

click $((X + WIDTH - 100)) $((Y + HEIGHT - 30)) 0.2 # Cancel
answer_box "提示" Return cancel-question.png
shot cancel-cancelling.png
wait_for "$install_dir/Kavri.exe.kavri-backup" gone || fail "the backup was never restored"
sleep 1.5
shot cancel-finish.png

expect_machine "$before" "the cancelled install left the machine changed"
grep -q "Kavri 0.9" "$install_dir/Kavri.exe" || fail "the old Kavri.exe was not restored"
echo "ok: cancel during the copy left files, folders, registry and shortcuts as they were"

click_primary                                       # Finish on the "cancelled" page
expect_exit 1602
echo "ok: the cancelled install ends with exit code 1602; screenshots in $artifacts"

mkdir -p "$install_dir/readme.txt"
before=$(machine_state)
expect_code 1603 "a failed silent install" "$exe" /S
expect_machine "$before" "the failed install left the machine changed"
clean_machine
echo "ok: a failure during a silent install is undone and ends with exit code 1603"
