#!/usr/bin/env bash
# Install, then remove, with exit codes:
#  1. silent install into a folder with spaces whose parent the setup makes
#     too (/D= unquoted), silent uninstall through the registered
#     QuietUninstallString: both exit 0 and the machine is as it was before,
#     both folders gone; the uninstaller's own copy ran from a fresh private
#     folder, scheduled for deletion at the restart with that folder, and
#     nothing marks a restart;
#  2. silent install, a file of the user's own in the install folder and the
#     installed program running, then the uninstaller's pages with real
#     input: it asks to close the program, removes every file, folder,
#     registry value and shortcut of the install and keeps the user's file
#     with its folders;
#  3. refusals: a relative /D= folder (exit 267), an uninstaller with no
#     install log beside it (exit 1603), both without any window;
#  4. an altered install log: a link inside the install folder leads to
#     someone else's folder and the log names a file through it, a file of
#     another folder, a key outside the product's and a null: the silent
#     uninstall removes the install and nothing of those (Wine follows a Unix
#     link as Windows follows a junction);
#  5. a file of the install held open during a silent uninstall: it goes at
#     the restart, the restart is marked, and a setup started before it
#     refuses to run (exit 350).
exe=$1 uninstaller=$2 hold=$3 artifacts=$4
source "$(dirname "$0")/installer_test_lib.sh"
mkdir -p "$artifacts"
clean_machine
trap cleanup EXIT
empty=$(machine_state)

# 1. Silent, into a folder with spaces whose parent the setup makes too.
"$KAVRI_WINE" "$exe" /S /D=C:\\Program Files\\Kavri Test\\Kavri; status=$?
[ "$status" -eq 0 ] || fail "silent install: exit code $status"
test_dir="$drive_c/Program Files/Kavri Test/Kavri"
[ -f "$test_dir/Kavri.exe" ] && [ -f "$test_dir/install-log.json" ] ||
  fail "silent install wrote nothing into $test_dir"
grep -q '"sha256":"[0-9a-f]\{64\}"' "$test_dir/install-log.json" || fail "the install log holds no content hashes"
quiet=$(reg_query "$uninstall_key" /v QuietUninstallString | sed -n 's/.*REG_SZ *//p')
[ "$quiet" = '"C:\Program Files\Kavri Test\Kavri\Uninstall.exe" /S' ] || fail "QuietUninstallString is $quiet"
"$KAVRI_WINE" 'C:\Program Files\Kavri Test\Kavri\Uninstall.exe' /S; status=$?
[ "$status" -eq 0 ] || fail "silent uninstall: exit code $status"
wait_for "$drive_c/Program Files/Kavri Test" gone || fail "the install folder is still there: $(ls -R "$test_dir")"
wait_uninstaller_copies || fail "the uninstaller's copy did not end"
# The copy and then its private folder go at the restart, one entry each
# (reg shows the entries separated by "\0").
pending=$(reg_query "$session_key" /v PendingFileRenameOperations)
entries=$(sed 's/.*REG_MULTI_SZ *//; s/\\0/\n/g' <<<"$pending")
copy=$(grep -x '.*\\Kavri-[0-9a-f]\{16\}\\Kavri-Uninstall\.exe' <<<"$entries" | head -n1)
[ -n "$copy" ] || fail "the uninstaller's copy is not deleted at the restart: $pending"
# Wine runs every program elevated: the private folder is then made in the
# system's temporary folder, never in the user's.
grep -qi '^\\??\\C:\\windows\\temp\\Kavri-' <<<"$copy" ||
  fail "the copy ran outside the system's temporary folder: $copy"
grep -qxF "${copy%\\Kavri-Uninstall.exe}" <<<"$entries" ||
  fail "the copy's private folder is not deleted at the restart: $pending"
restart_marked && fail "an uninstall without files in use marked a restart"
wine_run reg delete "$session_key" /v PendingFileRenameOperations /f >/dev/null 2>&1
expect_machine "$empty" "the silent uninstall left something behind"
echo "ok: silent install into a new folder with spaces and silent uninstall, both exit code 0, nothing left"

# 2. With the pages; a user's file and the running program.
"$KAVRI_WINE" "$exe" /S || fail "the second silent install failed"
mkdir -p "$install_dir/docs/notes"
echo "mine" > "$install_dir/docs/notes/my notes.txt"
"$KAVRI_WINE" 'C:\Program Files\Kavri\Kavri.exe' >/dev/null 2>&1 &
wait_window Kavri >/dev/null   # the program's window
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
expect_code 267 "a relative folder" "$exe" /S /D=Kavri
expect_code 1603 "an uninstaller without install log" "$uninstaller" /S
xdotool search --onlyvisible --name '^(错误|提示)$' >/dev/null 2>&1 && fail "a silent run showed a box"
echo "ok: silent refusals end with their exit codes and show nothing"

# 4. An altered install log: a link inside the install folder to someone
# else's folder, and entries naming a file through it, a file of another
# folder, a key outside the product's and a null.
victim="$drive_c/Kavri Victim"
victim_key='HKLM\Software\Kavri Victim'
cleanup_victim() {
  rm -rf "$victim"
  wine_run reg delete "$victim_key" /f >/dev/null 2>&1
  cleanup
}
trap cleanup_victim EXIT
clean_machine
"$KAVRI_WINE" "$exe" /S || fail "the install before the altered log failed"
mkdir -p "$victim"
printf 'victim' > "$victim/keep.txt"
wine_run reg add "$victim_key" /v Keep /d yes /f >/dev/null 2>&1
ln -s "$victim" "$install_dir/elsewhere"
log_file="$install_dir/install-log.json"
log=$(cat "$log_file")
files='{"path":"C:\\Program Files\\Kavri\\elsewhere\\keep.txt","size":6},'
files+='{"path":"C:\\Kavri Victim\\keep.txt","size":6},null,'
keys='{"root":"HKEY_LOCAL_MACHINE","key":"Software\\Kavri Victim"},'
log=${log/'"files":['/'"files":['"$files"}
log=${log/'"keys":['/'"keys":['"$keys"}
printf '%s' "$log" > "$log_file"
grep -q 'Kavri Victim' "$log_file" || fail "the log could not be altered"
"$KAVRI_WINE" 'C:\Program Files\Kavri\Uninstall.exe' /S; status=$?
[ "$status" -eq 0 ] || fail "silent uninstall of an altered log: exit code $status"
wait_for "$log_file" gone || fail "the uninstaller did not remove the install log"
wait_uninstaller_copies || fail "the uninstaller's copy did not end"
[ "$(cat "$victim/keep.txt" 2>/dev/null)" = victim ] || fail "a file reached through the link was deleted"
wine_run reg query "$victim_key" /v Keep >/dev/null 2>&1 || fail "a key outside the product's was deleted"
left=$(cd "$install_dir" && find . | sort | tr '\n' ' ')
[ "$left" = ". ./elsewhere " ] || fail "left in the install folder: $left"
wine_run reg query "$uninstall_key" >/dev/null 2>&1 && fail "the registration is still there"
rm -f "$install_dir/elsewhere"
echo "ok: an altered log removes the install and nothing through a link, elsewhere or outside the product's keys"

# 5. A file held open during the uninstall goes at the restart, which is
# marked: a setup started before it refuses (exit 350).
clean_machine
"$KAVRI_WINE" "$exe" /S || fail "the install before the held file failed"
hold_open 'C:\Program Files\Kavri\readme.txt'
"$KAVRI_WINE" 'C:\Program Files\Kavri\Uninstall.exe' /S; status=$?
[ "$status" -eq 0 ] || fail "silent uninstall with a file in use: exit code $status"
wait_uninstaller_copies || fail "the uninstaller's copy did not end"
pending=$(reg_query "$session_key" /v PendingFileRenameOperations)
grep -q 'C:\\Program Files\\Kavri\\readme\.txt' <<<"$pending" ||
  fail "the file in use is not removed at the restart: $pending"
restart_marked || fail "the restart was not marked"
expect_code 350 "a setup before the restart (a restart is pending)" "$exe" /S
release_hold
echo "ok: a file in use goes at the restart, which is marked, and a setup waits for it"
