#!/usr/bin/env bash
# Runs a Windows program under Wine with the build folder's own prefix:
#   wine-run.sh 32|64 PROGRAM.exe [ARGS...]
# The prefix lives beside the build (KAVRI_WINEPREFIX, or <build>/wineprefix found
# from the program's path) and is created once, then reused.
set -u
bits=$1; shift
exe=$1; shift
if [ -z "${KAVRI_WINEPREFIX:-}" ]; then
  dir=$(cd "$(dirname "$exe")" && pwd)
  while [ "$dir" != / ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir=$(dirname "$dir"); done
  [ "$dir" = / ] && dir=$(cd "$(dirname "$exe")" && pwd)
  KAVRI_WINEPREFIX=$dir/wineprefix
fi
export WINEPREFIX=$KAVRI_WINEPREFIX
source "$(dirname "$0")/../scripts/wine-select.sh"
kavri_wine_select "$bits"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  "$KAVRI_WINE" wineboot.exe -i >/dev/null 2>&1
  "$KAVRI_WINESERVER" -w
fi
kavri_wine_unlink_home
exec "$KAVRI_WINE" "$exe" "$@"
