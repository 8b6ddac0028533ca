# Sourced by the run, test and benchmark scripts: the build's own Wine prefix,
# the loader for the build's architecture, a display (Xvfb when none is set)
# and a persistent wineserver for the session.
# Expects $kavri_winbuild (the Windows build folder) and $kavri_arch (32 or 64).
# Defines kavri_wine_cleanup, to be called on exit, and `wine` as a function
# that runs the loader chosen for the architecture.
source "$(dirname "${BASH_SOURCE[0]}")/wine-select.sh"
kavri_wine_select "$kavri_arch"
export WINEPREFIX="$kavri_winbuild/wineprefix"
export KAVRI_WINEPREFIX="$WINEPREFIX"

# `command`: for 32-bit the loader is plain "wine", which would otherwise call
# this function again, endlessly.
wine() { command "$KAVRI_WINE" "$@"; }
wineserver() { command "$KAVRI_WINESERVER" "$@"; }

kavri_xvfb_pid=""
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 140); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
      Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
      kavri_xvfb_pid=$!
      export DISPLAY=":$n"
      for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
      break
    fi
  done
fi

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Creating the $kavri_arch-bit Wine prefix in $WINEPREFIX (once)..."
  mkdir -p "$WINEPREFIX"
  wine wineboot.exe -i >/dev/null 2>&1 || true
  wineserver -w
fi
kavri_wine_unlink_home
wineserver -p >/dev/null 2>&1 || true
# Start Wine's background processes (services, explorer) now, detached from
# our output: started by the first test instead, they would inherit its pipes
# and keep CTest waiting for them to close.
wine cmd.exe /c exit >/dev/null 2>&1 </dev/null || true

kavri_wine_cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$kavri_xvfb_pid" ]; then kill "$kavri_xvfb_pid" 2>/dev/null || true; fi
}
