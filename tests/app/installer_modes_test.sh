#!/usr/bin/env bash
# Install modes, end to end. The demo setup is built three times: per machine
# (the demo itself), per user, and "choose". Wine runs every program
# elevated; runs "without administrator rights" here start the program with
# the limited token linked to Wine's (exit_code.exe --limited), so the
# process really is not elevated, and Wine's "runas" gives no rights either.
#  1. per user, silently, without administrator rights: installed into the
#     user's programs folder, registered under HKEY_CURRENT_USER, shortcuts in
#     the user's start menu, the log saying "perUser"; nothing under
#     HKEY_LOCAL_MACHINE, Program Files or all users' start menu and desktop;
#     no administrator rights asked for (the setup's own account of its mode
#     in the debugger output, and no relaunch); its uninstaller, also without
#     them, removes everything;
#     A file of the install held open (the program running): nothing waits
#     for the restart in an install for one user (only administrators may
#     schedule that, and it is written for the whole machine), so a silent
#     setup over it fails (1603) and is undone, and the uninstall fails (1603)
#     keeping the install, until the file is free;
#  2. a fixed mode's other switch, and both switches, are refused (1639),
#     with the reason in the debugger output, and nothing is done;
#  3. "choose", silently: /CURRENTUSER installs for the user, /ALLUSERS (with
#     the rights Wine gives) for all users, each removed again by its
#     uninstaller; /ALLUSERS without administrator rights hands the install
#     to a copy started with "runas" and /ALLUSERS /RELAUNCHED (the instance
#     guard handed over: the copy is not refused as a second installer),
#     which, still without them, refuses rather than ask again (740): the
#     first setup ends with the copy's exit code, and nothing is installed.
#     The uninstaller of the install for all users, started without them,
#     does the same;
#  4. "choose" with a window: the folder page offers "For all users" (chosen,
#     as the setup has the rights) and "Just for me", both by keyboard too
#     (Alt+J; Shift+Tab and Space back to "For all users"; Tab and Space);
#     choosing "Just for me" puts the user's programs folder in the box, and
#     Install installs there.
#  5. "choose" with a window, without administrator rights: "Just for me" is
#     chosen first; "For all users" and Install hand the install to the copy
#     started for all users, which (given no rights by Wine) says so and
#     ends with 740; the first setup ends with that code, nothing installed.
machine_setup=$1 user_setup=$2 choose_setup=$3 hold=$4 artifacts=$5
source "$(dirname "$0")/installer_test_lib.sh"
mkdir -p "$artifacts"
clean_machine
trap cleanup EXIT
machine_empty=$(machine_state)
user_empty=$(user_state)
user_uninstaller="$user_install_dir/Uninstall.exe"

# Fails unless the debugger output of the last run_logged holds (or, with
# "no", does not hold) a line matching the pattern.
expect_logged() {
  if [ "$1" = no ]; then
    grep -q -- "$2" "$debug_log" && { cat "$debug_log"; fail "$3"; }
  else
    grep -q -- "$1" "$debug_log" || { cat "$debug_log"; fail "$2"; }
  fi
  true
}
# expect_logged_code WANT WHAT [--limited] PROGRAM [ARGS...]: runs it
# (run_logged) and fails, showing its debugger output, unless its exit code
# is WANT; WHAT names the run in the message.
expect_logged_code() {
  local want=$1 what=$2
  run_logged "${@:3}"
  [ "$code" = "$want" ] || { cat "$debug_log"; fail "$what: exit code $code, expected $want"; }
}
asked='asking for administrator rights'

# Checks an install for the current user: files, registration, shortcuts,
# the log's mode; nothing for all users.
expect_user_install() {
  [ -f "$user_install_dir/Kavri.exe" ] && [ -f "$user_uninstaller" ] || fail "$1: nothing in $user_install_dir"
  grep -q '"mode":"perUser"' "$user_install_dir/install-log.json" || fail "$1: the log does not say perUser"
  local uninstall
  uninstall=$(reg_query "$user_uninstall_key" /v UninstallString | sed -n 's/.*REG_SZ *//p')
  [ "$uninstall" = "\"$(windows_path "$user_uninstaller")\"" ] || fail "$1: UninstallString under HKCU is '$uninstall'"
  reg_query "$user_product_key" /v InstallPath | grep -qi 'AppData\\Local\\Programs\\Kavri' ||
    fail "$1: the product's key under HKCU does not name the folder"
  [ -f "$user_start_menu/Kavri/Kavri.lnk" ] || fail "$1: no shortcut in the user's start menu"
  expect_machine "$machine_empty" "$1: something was written for all users"
}

# 1. Per user, without administrator rights.
expect_logged_code 0 "per-user install" --limited "$user_setup" /S
expect_logged 'install mode perUser (the product.s: perUser; administrator rights: no)' \
  "the setup did not report a per-user install without administrator rights"
expect_logged no "$asked" "the per-user install asked for administrator rights"
expect_user_install "per-user install"
installed=$(user_state)
hold_open "$(windows_path "$user_install_dir/readme.txt")"
expect_logged_code 1603 "per-user install over a file in use" --limited "$user_setup" /S
expect_user "$installed" "the failed install was not undone"
expect_logged_code 1603 "per-user uninstall of a file in use" --limited "$user_uninstaller" /S
wait_uninstaller_copies || fail "the uninstaller's copy did not end"
[ -f "$user_install_dir/install-log.json" ] || fail "the failed uninstall removed the install log"
restart_marked && fail "an install for one user marked a restart"
expect_machine "$machine_empty" "a file in use of an install for one user made something wait for the restart"
release_hold
echo "ok: per user, a file in use: the setup fails and is undone, the uninstall fails; nothing waits for the restart"
expect_logged_code 0 "per-user uninstall" --limited "$user_uninstaller" /S
expect_logged no "$asked" "the per-user uninstall asked for administrator rights"
wait_uninstaller_copies || fail "the uninstaller's copy did not end"
expect_user "$user_empty" "the per-user uninstall left something"
expect_machine "$machine_empty" "the per-user uninstall touched what is for all users"
echo "ok: per user without administrator rights: installed, registered under HKCU, removed; none asked for"

# 2. Switches a setup does not offer.
for refused in "$user_setup|/S /ALLUSERS|/ALLUSERS is not offered" \
               "$machine_setup|/S /CURRENTUSER|/CURRENTUSER is not offered" \
               "$choose_setup|/S /ALLUSERS /CURRENTUSER|cannot be given together"; do
  IFS='|' read -r setup switches reason <<<"$refused"
  # shellcheck disable=SC2086
  expect_logged_code 1639 "$(basename "$setup") $switches" "$setup" $switches
  expect_logged "$reason" "$(basename "$setup") $switches: the reason is not in the debugger output"
done
expect_user "$user_empty" "a refused switch installed something for the user"
expect_machine "$machine_empty" "a refused switch installed something"
echo "ok: a fixed mode's other switch and both switches are refused (1639), nothing done"

# 3. "Choose", silently.
expect_logged_code 0 "choose /CURRENTUSER" --limited "$choose_setup" /S /CURRENTUSER
expect_logged no "$asked" "choose /CURRENTUSER asked for administrator rights"
expect_user_install "choose /CURRENTUSER"
expect_code 0 "its uninstall" "$user_uninstaller" /S
wait_uninstaller_copies || fail "the uninstaller's copy did not end"
expect_user "$user_empty" "choose /CURRENTUSER: its uninstall left something"

expect_logged_code 0 "choose /ALLUSERS" "$choose_setup" /S /ALLUSERS
expect_logged no "$asked" "choose /ALLUSERS asked for the administrator rights it has"
[ -f "$install_dir/Kavri.exe" ] || fail "choose /ALLUSERS: nothing in $install_dir"
grep -q '"mode":"perMachine"' "$install_dir/install-log.json" || fail "choose /ALLUSERS: the log does not say perMachine"
reg_query "$uninstall_key" /v UninstallString | grep -q 'Program Files\\Kavri\\Uninstall.exe' ||
  fail "choose /ALLUSERS: not registered under HKLM"
expect_user "$user_empty" "choose /ALLUSERS: something was written for the user alone"

# Its uninstaller without administrator rights: asks for them, and its copy,
# given none by Wine, refuses.
expect_logged_code 740 "the per-machine uninstall without rights" --limited "$install_dir/Uninstall.exe" /S
expect_logged "$asked.*Uninstall.exe /ALLUSERS /RELAUNCHED /S" "the uninstaller did not start itself again for all users"
[ -f "$install_dir/install-log.json" ] || fail "the per-machine uninstall without rights removed something"
expect_code 0 "the per-machine uninstall" "$install_dir/Uninstall.exe" /S
wait_uninstaller_copies || fail "the uninstaller's copy did not end"
reg_query "$session_key" /v PendingFileRenameOperations | grep -q 'Kavri-Uninstall\.exe' ||
  fail "the per-machine uninstaller's copy is not deleted at the restart"
forget_restart
expect_machine "$machine_empty" "choose /ALLUSERS: its uninstall left something"

expect_logged_code 740 "choose /ALLUSERS without rights" --limited "$choose_setup" /S /ALLUSERS
expect_logged "$asked.*KavriSetupChoose.exe /ALLUSERS /RELAUNCHED /S" "the setup did not start itself again for all users"
expect_logged "started again to install for all users, but without administrator rights" \
  "the copy did not refuse to go on without administrator rights"
expect_logged "ended with 740" "the first setup did not wait for the copy"
[ "$(grep -c "$asked" "$debug_log")" = 1 ] || { cat "$debug_log"; fail "the rights were asked for more than once"; }
expect_machine "$machine_empty" "choose /ALLUSERS without rights installed something"
expect_user "$user_empty" "choose /ALLUSERS without rights installed something for the user"
echo "ok: choose: /CURRENTUSER for the user, /ALLUSERS for all users, and without rights the copy's 740"

# 4. "Choose" with a window.
# Which radio button of the folder page is chosen in a screenshot ("For all
# users" at 138, "Just for me" at 298): the dot in its middle is dark.
chosen() { local r g b; read -r r g b <<<"$(pixel "$1" "$2" 292)"; [ "$r" -lt 100 ]; }
start_app "Kavri Setup" "$choose_setup"
click_primary                                       # welcome
click $((X + 48)) $((Y + HEIGHT - 44))              # accept the licence
click_primary
shot modes-folder-all-users.png
[ "$(darkest modes-folder-all-users.png 40 280 400 24)" -lt 140 ] || fail "the folder page shows no choice of mode"
chosen modes-folder-all-users.png 138 && ! chosen modes-folder-all-users.png 298 ||
  fail "with administrator rights the folder page does not start from \"For all users\""
# The choice by keyboard: each radio button is a tab stop with an access key.
keys() { xdotool key --delay 80 "$@"; sleep 0.7; }
xdotool windowfocus --sync "$wid" 2>/dev/null
keys alt+j                                          # "Just for me"
shot modes-folder-just-me.png
chosen modes-folder-just-me.png 298 && ! chosen modes-folder-just-me.png 138 ||
  fail "Alt+J did not choose \"Just for me\""
differs "$artifacts/modes-folder-all-users.png" "$artifacts/modes-folder-just-me.png" ||
  fail "choosing \"Just for me\" changed nothing on the page"
keys shift+Tab space                                # back to "For all users"
shot modes-folder-keys-all-users.png
chosen modes-folder-keys-all-users.png 138 && ! chosen modes-folder-keys-all-users.png 298 ||
  fail "Shift+Tab and Space from \"Just for me\" did not choose \"For all users\""
keys Tab space                                      # "Just for me" again
shot modes-folder-just-me-again.png
chosen modes-folder-just-me-again.png 298 && ! chosen modes-folder-just-me-again.png 138 ||
  fail "Tab and Space from \"For all users\" did not choose \"Just for me\""
click_primary 0.5                                   # Install
wait_for "$user_install_dir/install-log.json" || fail "the install for the user did not end"
sleep 2
shot modes-finish.png
click $((X + 48)) $((Y + 30 + 188)) 0.3             # untick "Start Kavri now"
click_primary                                       # Finish
expect_exit 0
expect_user_install "choose with a window, just for me"
expect_code 0 "its uninstall" "$user_uninstaller" /S
wait_uninstaller_copies || fail "the uninstaller's copy did not end"
expect_user "$user_empty" "choose with a window: its uninstall left something"
echo "ok: choose with a window: the folder page's \"Just for me\" installs for the user; screenshots in $artifacts"

# 5. "Choose" with a window, without administrator rights.
start_app "Kavri Setup" --limited "$choose_setup"
click_primary                                       # welcome
click $((X + 48)) $((Y + HEIGHT - 44))              # accept the licence
click_primary
shot modes-folder-limited.png
chosen modes-folder-limited.png 298 && ! chosen modes-folder-limited.png 138 ||
  fail "without administrator rights the folder page does not start from \"Just for me\""
click $((X + 138)) $((Y + 292))                     # "For all users"
shot modes-folder-limited-all-users.png
click_primary 0.5                                   # Install: the copy for all users
wait_window "错误" >/dev/null || fail "the copy for all users said nothing"
xdotool search --onlyvisible --name '^Kavri Setup$' >/dev/null 2>&1 &&
  fail "the first setup's window stayed while the copy for all users ran"
answer_box "错误" Return modes-relaunched-refused.png
expect_exit 740
expect_machine "$machine_empty" "the refused copy for all users installed something"
expect_user "$user_empty" "the refused copy for all users installed something for the user"
echo "ok: choose with a window and no rights: \"For all users\" goes to the copy, whose 740 ends the setup"
