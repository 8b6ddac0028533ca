#!/usr/bin/env bash
# Install, then remove, with exit codes:
#  1. silent install into a folder with spaces (/D= unquoted), silent
#     uninstall through the registered QuietUninstallString: both exit 0 and
#     the machine is as it was before, the uninstaller's own copy in the
#     temporary folder scheduled for deletion at the restart;
#  2. silent install, a file of the user's own in the install folder and the
#     installed program running, then the uninstaller's pages with real
#     input: it asks to close the program, removes every file, folder,
#     registry value and shortcut of the install and keeps the user's file
#     with its folders;
#  3. refusals: a relative /D= folder (exit 267), an uninstaller with no
#     install log beside it (exit 1603), both without any window.
exe=$1 uninstaller=$2 artifacts=$3
source "$(dirname "$0")/installer_test_lib.sh"
mkdir -p "$artifacts"
clean_machine
trap clean_machine EXIT
empty=$(machine_state)

# 1. Silent, into a folder with spaces.
"$KAVRI_WINE" "$exe" /S /D=C:\\Program Files\\Kavri Test; status=$?
[ "$status" -eq 0 ] || fail "silent install: exit code $status"
test_dir="$drive_c/Program Files/Kavri Test"
[ -f "$test_dir/Kavri.exe" ] && [ -f "$test_dir/install-log.json" ] || fail "silent install wrote nothing into $test_dir"
quiet=$(reg_query "$uninstall_key" /v QuietUninstallString | sed -n 's/.*REG_SZ *//p')
[ "$quiet" = '"C:\Program Files\Kavri Test\Uninstall.exe" /S' ] || fail "QuietUninstallString is $quiet"
"$KAVRI_WINE" 'C:\Program Files\Kavri Test\Uninstall.exe' /S; status=$?
[ "$status" -eq 0 ] || fail "silent uninstall: exit code $status"
wait_for "$test_dir" gone || fail "the install folder is still there: $(ls "$test_dir")"
wait_uninstaller_copies || fail "the uninstaller's copy did not end"
reg_query "$session_key" /v PendingFileRenameOperations | grep -q 'Kavri-Uninstall-[0-9]*\.exe' ||
  fail "the uninstaller's copy is not deleted at the restart"
wine_run reg delete "$session_key" /v PendingFileRenameOperations /f >/dev/null 2>&1
after=$(machine_state)
if [ "$empty" != "$after" ]; then
  diff <(echo "$empty") <(echo "$after")
  fail "the silent uninstall left something behind"
fi
echo "ok: silent install into a folder with spaces and silent uninstall, both exit code 0, nothing left"

# 2. With the pages; a user's file and the running program.
"$KAVRI_WINE" "$exe" /S || fail "the second silent install failed"
mkdir -p "$install_dir/docs/notes"
echo "mine" > "$install_dir/docs/notes/my notes.txt"
"$KAVRI_WINE" 'C:\Program Files\Kavri\Kavri.exe' >/dev/null 2>&1 &
for _ in $(seq 50); do xdotool search --onlyvisible --name '^Kavri$' >/dev/null 2>&1 && break; sleep 0.2; done
start_app "Kavri Uninstall" "$install_dir/Uninstall.exe"
shot uninstall-confirm.png
click_primary 0.2                                   # Remove
answer_box "提示" Return uninstall-close-program.png # Kavri is running: close it
wait_for "$install_dir/install-log.json" gone || fail "the uninstaller did not remove the install log"
sleep 2
shot uninstall-finish.png
xdotool search --onlyvisible --name '^Kavri$' >/dev/null 2>&1 && fail "the running program was not closed"
left=$(cd "$install_dir" && find . | sort | tr '\n' ' ')
[ "$left" = ". ./docs ./docs/notes ./docs/notes/my notes.txt " ] || fail "left in the install folder: $left"
wine_run reg query "$uninstall_key" >/dev/null 2>&1 && fail "the registration is still there"
wine_run reg query "$product_key" >/dev/null 2>&1 && fail "the product's key is still there"
[ -e "$start_menu/Kavri" ] && fail "the start-menu folder is still there"
click_primary                                       # Close
for _ in $(seq 50); do
  xdotool search --onlyvisible --name '^Kavri Uninstall$' >/dev/null 2>&1 || break
  sleep 0.2
done
xdotool search --onlyvisible --name '^Kavri Uninstall$' >/dev/null 2>&1 && fail "the uninstaller did not close"
wait_uninstaller_copies || fail "the uninstaller's copy did not end"
echo "ok: the uninstaller's pages closed the program and removed the install, keeping the user's file"

# 3. Refusals in silent mode.
run_code "$exe" /S /D=Kavri
[ "$code" = 267 ] || fail "a relative folder: exit code $code, expected 267"
run_code "$uninstaller" /S
[ "$code" = 1603 ] || fail "an uninstaller without install log: exit code $code, expected 1603"
xdotool search --onlyvisible --name '^(错误|提示)$' >/dev/null 2>&1 && fail "a silent run showed a box"
echo "ok: silent refusals end with their exit codes and show nothing"
