#!/usr/bin/env bash
# A file in use: Kavri is installed silently, then another program holds its
# readme.txt open without sharing while the installer runs again over it.
# The installer asks; the answer "No" (replace it at the restart) makes it
# write the new file beside the old one, schedule the replacement with the
# system (PendingFileRenameOperations), mark the restart and offer it on the
# finish page; the exit code says so (3010). Then the installed Kavri.exe runs while the installer runs
# over it: the answer "Yes" closes the program, the file is replaced at once
# and no restart is needed.
exe=$1 hold=$2 artifacts=$3
source "$(dirname "$0")/installer_test_lib.sh"
mkdir -p "$artifacts"
clean_machine
trap cleanup EXIT

"$KAVRI_WINE" "$exe" /S || fail "the silent install failed"
readme="$install_dir/readme.txt"
echo "changed by the user" > "$readme"           # so the new one differs
hold_open 'C:\Program Files\Kavri\readme.txt'

start_app "Kavri Setup" "$exe"
click_primary                                       # welcome
click $((X + 48)) $((Y + HEIGHT - 44))              # accept the licence
click_primary
click_primary 0.5                                   # Install into the installed folder
answer_box "提示" n in-use-question.png             # No: replace it at the restart
wait_for "$install_dir/readme.txt.kavri-new" || fail "the new readme.txt was not written beside the old one"
sleep 2
shot in-use-finish.png
# "Restart the computer now" (at 40,210, where "Start Kavri now" stands after
# an ordinary install): its text reaches past 170 pixels, the other's not.
[ "$(darkest in-use-finish.png 40 210 16 20)" -lt 180 ] || fail "no check box on the finish page"
[ "$(darkest in-use-finish.png 175 210 40 20)" -lt 180 ] || fail "no restart offer on the finish page"
grep -q "changed by the user" "$readme" || fail "the file in use was replaced now"
pending=$(reg_query "$session_key" /v PendingFileRenameOperations)
grep -q 'readme\.txt\.kavri-new' <<<"$pending" && grep -q 'C:\\Program Files\\Kavri\\readme\.txt' <<<"$pending" ||
  fail "no replacement at the restart scheduled: $pending"
restart_marked || fail "the restart was not marked"
echo "ok: the file in use is replaced at the restart, which is marked and offered"

click_primary                                       # Finish, without restarting
expect_exit 3010                                    # installed, a restart needed
release_hold

clean_machine
"$KAVRI_WINE" "$exe" /S || fail "the third silent install failed"
"$KAVRI_WINE" 'C:\Program Files\Kavri\Kavri.exe' >/dev/null 2>&1 &
wait_window Kavri >/dev/null || fail "the installed program did not start"
start_app "Kavri Setup" "$exe"
click_primary
click $((X + 48)) $((Y + HEIGHT - 44))
click_primary
click_primary 0.5
answer_box "提示" Return in-use-close-question.png  # Yes: close Kavri
wait_for "$install_dir/install-log.json" || fail "the install did not end"
sleep 2
shot in-use-closed-finish.png
xdotool search --onlyvisible --name '^Kavri$' >/dev/null 2>&1 && fail "the running program was not closed"
[ -e "$install_dir/Kavri.exe.kavri-new" ] && fail "Kavri.exe waits for the restart although the program was closed"
wine_run reg query "$session_key" /v PendingFileRenameOperations >/dev/null 2>&1 && fail "a replacement at the restart was scheduled"
[ "$(darkest in-use-closed-finish.png 175 210 40 20)" -gt 200 ] || fail "a restart is offered after closing the program"
click $((X + 50)) $((Y + 220))                      # untick "Start Kavri now"
click_primary
expect_exit 0
echo "ok: the running program is closed on request and its file replaced at once; screenshots in $artifacts"
