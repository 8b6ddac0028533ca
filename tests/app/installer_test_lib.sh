# Shared by the demo installer's end-to-end tests (sourced): Wine set-up,
# starting the installer and finding its window, real input with xdotool,
# screenshots, and a snapshot of everything an installation touches (files of
# the install folder, start menu and desktop, the product's registry keys,
# pending renames) to compare before and after; the same for an install for
# the current user alone (its programs folder, start menu and desktop, keys
# under HKEY_CURRENT_USER).
set -u
export WINEPREFIX=${KAVRI_WINEPREFIX:?} WINEDEBUG=-all
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-select.sh"
kavri_wine_select "${KAVRI_WINE_BITS:-32}"

drive_c="$WINEPREFIX/drive_c"
install_dir="$drive_c/Program Files/Kavri"
start_menu="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs"
desktop="$drive_c/users/Public/Desktop"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Kavri'
product_key='HKLM\Software\Kavri'
journal_key='HKLM\Software\Kavri Setup'   # a setup's journal
session_key='HKLM\System\CurrentControlSet\Control\Session Manager'
# An install for the current user alone (Wine's user is the Unix user).
profile="$drive_c/users/${USER:-$(id -un)}"
user_install_dir="$profile/AppData/Local/Programs/Kavri"
user_start_menu="$profile/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"
user_desktop="$profile/Desktop"
user_uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Kavri'
user_product_key='HKCU\Software\Kavri'
user_journal_key='HKCU\Software\Kavri Setup'
app=""
holder=""

fail() {
  echo "FAIL: $*"
  [ -n "$app" ] && kill "$app" 2>/dev/null
  [ -n "$holder" ] && kill "$holder" 2>/dev/null
  stop_uninstaller_copies
  # Whatever else still runs in this prefix (the program exit_code.exe
  # started, a setup waiting for an answer) would hold the instance mutex
  # for the next test: the prefix's server ends them all.
  "$KAVRI_WINESERVER" -k >/dev/null 2>&1
  exit 1
}

# Ends the copies of the uninstaller this test's runs started in this
# prefix's private temporary folders (they outlive the process the test
# started).
uninstaller_copies() {
  local pid
  for pid in $(pgrep -f 'Kavri-Uninstall\.exe' 2>/dev/null); do
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && echo "$pid"
  done
  true
}
stop_uninstaller_copies() {
  local pid
  for pid in $(uninstaller_copies); do kill "$pid" 2>/dev/null; done
  true
}
# Waits until the uninstaller's copies have ended (they hold the instance
# mutex until then, so no installer may start before).
wait_uninstaller_copies() {
  for _ in $(seq 100); do
    [ -z "$(uninstaller_copies)" ] && return 0
    sleep 0.2
  done
  return 1
}

wine_run() { "$KAVRI_WINE" "$@"; }

# A Unix path as Wine's Windows programs see it (the prefix's drive_c is C:,
# the Unix root Z:); a Windows path stays as it is.
windows_path() {
  local rest
  case "$1" in
    "$drive_c"/*) rest=${1#"$drive_c"/}; echo "C:\\${rest//\//\\}" ;;
    /*) echo "Z:${1//\//\\}" ;;
    *) echo "$1" ;;
  esac
}

# Wine hands the shell only the lowest 8 bits of a program's exit code (1602
# reads as 66): programs whose code matters run through exit_code.exe
# (KAVRI_EXIT_CODE_EXE), which writes the whole code to a file.
#   run_code PROGRAM [ARGS...]: runs it and waits; the exit code in $code.
run_code() {
  local out
  out=$(mktemp)
  "$KAVRI_WINE" "${KAVRI_EXIT_CODE_EXE:?}" "$(windows_path "$out")" "$(windows_path "$1")" "${@:2}" >/dev/null 2>&1
  code=$(tr -dc '0-9' <"$out")
  rm -f "$out"
  [ -n "$code" ] || code=255
}
#   run_logged [--limited] PROGRAM [ARGS...]: as run_code, and what it (and
#   every program it starts) wrote to the debugger output goes to the file
#   $debug_log, one line each. --limited runs it without administrator
#   rights (Wine runs every program elevated otherwise).
debug_log=""
run_logged() {
  local out limited=()
  [ -n "$debug_log" ] || debug_log=$(mktemp)
  [ "$1" = --limited ] && { limited=(--limited); shift; }
  out=$(mktemp)
  WINEDEBUG=-all,warn+seh "$KAVRI_WINE" "${KAVRI_EXIT_CODE_EXE:?}" "${limited[@]}" "$(windows_path "$out")" \
    "$(windows_path "$1")" "${@:2}" 2>&1 >/dev/null | grep -a 'OutputDebugString' >"$debug_log"
  code=$(tr -dc '0-9' <"$out")
  rm -f "$out"
  [ -n "$code" ] || code=255
}
#   expect_code WANT WHAT PROGRAM [ARGS...]: runs it (run_code) and fails
#   unless its exit code is WANT; WHAT names the run in the message (empty:
#   the arguments).
expect_code() {
  local want=$1 what=${2:-${*:4}}
  run_code "${@:3}"
  [ "$code" = "$want" ] || fail "$what: exit code $code, expected $want"
}

reg_query() { wine_run reg query "$@" 2>/dev/null | tr -d '\r'; }

# Holds a file (a Windows path) open without sharing, as a running program
# does, until release_hold or the test's end; the holding program is the
# test's $hold (hold_file.exe).
hold_open() {
  local fifo line
  fifo=$(mktemp -u); mkfifo "$fifo"
  "$KAVRI_WINE" "${hold:?}" "$1" 120000 >"$fifo" 2>&1 &
  holder=$!
  read -r -t 30 line <"$fifo"; rm -f "$fifo"
  [ "${line%$'\r'}" = holding ] || fail "the helper could not hold $1: $line"
}
release_hold() {
  [ -n "$holder" ] || return 0
  kill "$holder" 2>/dev/null; wait "$holder" 2>/dev/null; holder=""
}

# The restart marker (in a user's folders) is there when a restart is marked;
# forget_restart deletes it and the pending renames.
restart_markers() { find "$drive_c/users" -maxdepth 6 -name pelvano_restart "$@" 2>/dev/null; }
restart_marked() { [ -n "$(restart_markers)" ]; }
forget_restart() {
  restart_markers -delete
  wine_run reg delete "$session_key" /v PendingFileRenameOperations /f >/dev/null 2>&1
  true
}

# Removes every trace of an earlier run: the product's folders, shortcuts,
# registry keys (for all users and for the current user), pending renames,
# the restart marker, the uninstaller's private folders and a setup's journal
# (its registry key and private folder).
clean_machine() {
  rm -rf "$install_dir" "$drive_c/Program Files/Kavri Test" "$start_menu/Kavri" "$start_menu/Kavri Demo" \
         "$start_menu/Utilities" "$desktop/Kavri.lnk" \
         "$user_install_dir" "$user_start_menu/Kavri" "$user_start_menu/Kavri Demo" "$user_start_menu/Utilities" \
         "$user_desktop/Kavri.lnk"
  rmdir "$profile/AppData/Local/Programs" 2>/dev/null
  local key
  for key in "$uninstall_key" "$product_key" "$journal_key" "$user_uninstall_key" "$user_product_key" \
             "$user_journal_key"; do
    wine_run reg delete "$key" /f >/dev/null 2>&1
  done
  forget_restart
  find "$drive_c/users" "$drive_c/windows/temp" -maxdepth 6 -type d -name 'Kavri-????????????????' \
    -exec rm -rf {} + 2>/dev/null
  true
}

# What a test leaves behind when it ends (its EXIT trap): no held file, a
# clean machine.
cleanup() {
  release_hold
  [ -n "$debug_log" ] && rm -f "$debug_log"
  clean_machine
}

# Everything an installation may touch, as text (sizes and checksums of files).
machine_state() {
  for place in "$drive_c/Program Files" "$start_menu" "$desktop"; do
    (cd "$place" 2>/dev/null && find . -path ./Common\ Files -prune -o -print0 | sort -z |
       xargs -0 -r -I{} sh -c 'if [ -f "{}" ]; then echo "{} $(md5sum < "{}" | cut -c1-32)"; else echo "{}/"; fi')
  done
  reg_query "$uninstall_key" /s
  reg_query "$product_key" /s
  reg_query "$journal_key" /s
  reg_query "$session_key" /v PendingFileRenameOperations
}
# Everything an install for the current user alone may touch, as text. (The
# user's desktop in Wine's prefix is a link to the Unix user's home: only the
# product's shortcut there counts.)
user_state() {
  for place in "$profile/AppData/Local/Programs" "$user_start_menu"; do
    (cd "$place" 2>/dev/null && find . -print0 | sort -z |
       xargs -0 -r -I{} sh -c 'if [ -f "{}" ]; then echo "{} $(md5sum < "{}" | cut -c1-32)"; else echo "{}/"; fi')
  done
  ls -l "$user_desktop/Kavri.lnk" 2>/dev/null
  reg_query "$user_uninstall_key" /s
  reg_query "$user_product_key" /s
  reg_query "$user_journal_key" /s
}
# expect_machine SNAPSHOT MESSAGE, expect_user SNAPSHOT MESSAGE: fail with
# the message (after showing the difference) unless the machine (machine_state)
# or the current user's places (user_state) are as the snapshot taken before.
expect_state() {
  local after
  after=$("$1")
  if [ "$2" != "$after" ]; then
    diff <(echo "$2") <(echo "$after")
    fail "$3"
  fi
}
expect_machine() { expect_state machine_state "$@"; }
expect_user() { expect_state user_state "$@"; }

# Starts a program in the background (through exit_code.exe, so that
# expect_exit sees its whole exit code; --limited first: without
# administrator rights, see run_logged); its process is $app.
start_background() {
  local limited=()
  [ "$1" = --limited ] && { limited=(--limited); shift; }
  app_code_file=$(mktemp)
  "$KAVRI_WINE" "${KAVRI_EXIT_CODE_EXE:?}" "${limited[@]}" "$(windows_path "$app_code_file")" "$(windows_path "$1")" \
    "${@:2}" >/dev/null 2>&1 &
  app=$!
}

# Waits up to 30 s for a shown window with the title given (a regular
# expression's body) and prints its id; fails (returns 1) when none appears.
wait_window() {
  local found
  for _ in $(seq 150); do
    found=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1)
    [ -n "$found" ] && { echo "$found"; return 0; }
    sleep 0.2
  done
  return 1
}
# Reads a window's place and size into X Y WIDTH HEIGHT.
measure_window() { eval "$(xdotool getwindowgeometry --shell "$1")"; }

# Starts an installer with arguments and waits for its window (title given).
start_app() {
  local title=$1; shift
  start_background "$@"
  wid=$(wait_window "$title") || fail "the window \"$title\" did not appear"
  sleep 1.5
  measure_window "$wid"
}

# Waits for the started program to end and checks its exit code.
expect_exit() {
  local want=$1 status
  for _ in $(seq 150); do
    kill -0 "$app" 2>/dev/null || break
    sleep 0.2
  done
  kill -0 "$app" 2>/dev/null && fail "the program did not end"
  wait "$app"
  app=""
  status=$(tr -dc '0-9' <"$app_code_file")
  rm -f "$app_code_file"
  [ "${status:-none}" = "$want" ] || fail "exit code ${status:-none}, expected $want"
}

click() { xdotool mousemove "$1" "$2" click 1; sleep "${3:-1}"; }
# Buttons of a page: the primary one 40 pixels in from the right edge, "Back"
# 170 (both 120 x 32, 28 above the bottom edge).
click_primary() { click $((X + WIDTH - 100)) $((Y + HEIGHT - 44)) "$@"; }
click_secondary() { click $((X + WIDTH - 230)) $((Y + HEIGHT - 44)) "$@"; }
shot() { import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" "$artifacts/$1"; }
shot_screen() { import -window root "$artifacts/$1"; }
pixel() {
  convert "$artifacts/$1" -format "%[fx:int(255*p{$2,$3}.r)] %[fx:int(255*p{$2,$3}.g)] %[fx:int(255*p{$2,$3}.b)]" info:
}
# The darkest red level (0-255) in a rectangle of a screenshot: something is
# drawn there when it is well below the page's light background.
darkest() {
  convert "$artifacts/$1" +repage -crop "$4x$5+$2+$3" +repage -format "%[fx:int(255*minima.r)]" info:
}
differs() { [ "$(compare -metric AE "$1" "$2" null: 2>&1 | cut -d' ' -f1)" != 0 ]; }

# Waits for a message box with the caption given and answers it with keys.
answer_box() {
  local caption=$1 keys=$2 box try
  box=$(wait_window "$caption") || fail "no \"$caption\" box"
  sleep 0.5
  [ -n "${3:-}" ] && shot_screen "$3"
  # Without a window manager the box does not always get the keyboard focus:
  # a click on its icon gives it, then the keys answer it.
  for try in 1 2 3; do
    eval "$(xdotool getwindowgeometry --shell "$box" | sed 's/^/BOX_/')"
    xdotool mousemove $((BOX_X + 30)) $((BOX_Y + 25)) click 1
    sleep 0.3
    xdotool key $keys
    for _ in $(seq 15); do
      xdotool search --onlyvisible --name "^$caption\$" 2>/dev/null | grep -qx "$box" || break 2
      sleep 0.2
    done
  done
  xdotool search --onlyvisible --name "^$caption\$" 2>/dev/null | grep -qx "$box" && fail "the \"$caption\" box took no answer"
  sleep 0.5
}

# Types a folder into the folder page's box (select all, then type).
type_folder() {
  click $((X + 200)) $((Y + 113)) 0.3
  xdotool key ctrl+a type --delay 20 "$1"
  sleep 0.5
}

# Waits for a file to appear (or, with "gone", to disappear).
wait_for() {
  local path=$1 want=${2:-there}
  for _ in $(seq 150); do
    if [ "$want" = there ] && [ -e "$path" ]; then return 0; fi
    if [ "$want" = gone ] && [ ! -e "$path" ]; then return 0; fi
    sleep 0.2
  done
  return 1
}
