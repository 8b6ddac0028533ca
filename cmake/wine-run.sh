#!/usr/bin/env bash
# Runs a Windows program under Wine with the build folder's own prefix.
# The prefix lives beside the build (KAVRI_WINEPREFIX, or <build>/wineprefix found
# from the program's path) and is created once, then reused.
set -u
exe=$1; shift
if [ -z "${KAVRI_WINEPREFIX:-}" ]; then
  dir=$(cd "$(dirname "$exe")" && pwd)
  while [ "$dir" != / ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir=$(dirname "$dir"); done
  [ "$dir" = / ] && dir=$(cd "$(dirname "$exe")" && pwd)
  KAVRI_WINEPREFIX=$dir/wineprefix
fi
export WINEPREFIX=$KAVRI_WINEPREFIX
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wineserver -w
fi
exec wine "$exe" "$@"
