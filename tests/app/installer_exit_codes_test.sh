#!/usr/bin/env bash
# Every exit code a run can be made to give here, the host's and the
# script's, each a number of its own (no window unless said):
#   1639  an unknown switch: silent, nothing done; with a window, the usage
#         in a box first
#   267   a refused (relative) folder
#   0     a quoted "/D=..." followed by /S: the folder ends at its quote and
#         the install is silent
#   1638  the product is installed in another folder: refused, nothing made
#   3010  a file in use is replaced at the restart (the restart is marked)
#   350   the host: a restart is pending
#   1618  the host: another installer runs
#   3017  the install fails and its undo cannot put a file back now (the new
#         Kavri.exe is held open): the old file stays beside it as the copy,
#         put back at the restart (scheduled and marked)
# 1602 (cancelled) and 1603 (failed) are given by installer_cancel_test.sh.
exe=$1 hold=$2 artifacts=$3
source "$(dirname "$0")/installer_test_lib.sh"
mkdir -p "$artifacts"
clean_machine
trap cleanup EXIT
test_dir="$drive_c/Program Files/Kavri Test"

# Runs the installer with the arguments given; checks its exit code.
expect_setup_code() { expect_code "$1" "" "$exe" "${@:2}"; }

expect_setup_code 1639 /S /quiet
[ -e "$test_dir" ] || [ -e "$install_dir" ] && fail "an unknown switch installed something"
start_background "$exe" /norestart
answer_box "错误" Return usage-box.png
expect_exit 1639
echo "ok: an unknown switch is refused with the usage (exit code 1639)"

expect_setup_code 267 /S /D=Kavri
expect_setup_code 0 '/D=C:\Program Files\Kavri Test' /S   # one argument: quoted on the command line
[ -f "$test_dir/install-log.json" ] || fail "the quoted folder was not installed into"
expect_setup_code 1638 /S '/D=C:\Program Files\Kavri'
[ -e "$install_dir" ] && fail "a second install into another folder made $install_dir"
echo "ok: a refused folder (267), a quoted /D= before /S (0), another folder while installed (1638)"

echo "changed by the user" > "$test_dir/readme.txt"
hold_open 'C:\Program Files\Kavri Test\readme.txt'
expect_setup_code 3010 /S
release_hold
restart_marked || fail "the restart was not marked"
expect_setup_code 350 /S
forget_restart
rm -f "$test_dir"/readme.txt.kavri-new*
echo "ok: a file in use (3010), then the restart pending (350)"

start_background "$exe" /S /PACE=1000
sleep 2
expect_setup_code 1618 /S
expect_exit 0
echo "ok: another installer running (1618)"

# The undo cannot put the old Kavri.exe back while the new one is held open.
echo "Kavri 0.9" > "$test_dir/Kavri.exe"
rm -f "$test_dir/readme.txt" && mkdir "$test_dir/readme.txt"   # the last entry fails
start_background "$exe" /S /PACE=1500
for _ in $(seq 100); do
  [ -f "$test_dir/Kavri.exe.kavri-backup" ] && ! grep -q "Kavri 0.9" "$test_dir/Kavri.exe" && break
  sleep 0.1
done
grep -q "Kavri 0.9" "$test_dir/Kavri.exe" && fail "Kavri.exe was not replaced"
hold_open 'C:\Program Files\Kavri Test\Kavri.exe'
expect_exit 3017
grep -q "Kavri 0.9" "$test_dir/Kavri.exe.kavri-backup" || fail "the copy of the old Kavri.exe was not kept"
pending=$(reg_query "$session_key" /v PendingFileRenameOperations)
grep -q 'Kavri\.exe\.kavri-backup' <<<"$pending" && grep -q 'Kavri Test\\Kavri\.exe' <<<"$pending" ||
  fail "the old Kavri.exe is not put back at the restart: $pending"
restart_marked || fail "the restart was not marked"
release_hold
echo "ok: an undo that finishes at the restart (3017) keeps the old file and schedules it back"
