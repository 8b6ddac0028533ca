# Sourced: chooses the Wine loader for 32- or 64-bit Windows programs.
#   kavri_wine_select 32|64
# Sets and exports WINEARCH, KAVRI_WINE (the loader to run programs with) and
# KAVRI_WINESERVER, as absolute paths (scripts define `wine` and `wineserver`
# functions that call them). Wine's menu builder is always off: it would write
# the shortcuts a test or a run makes as .desktop files and icons into the
# real home's menus (~/.local/share/applications). The 64-bit path names wine64 and wineserver64 directly:
# Debian's 'wine' wrapper prefers the 32-bit loader whenever it is installed,
# and that loader cannot start where 32-bit Linux programs do not run.
kavri_wine_select() {
  export WINEDEBUG=${WINEDEBUG:--all}
  # No .NET or Gecko set-up, and no menu entries on this machine's desktop
  # for the shortcuts the installers make (winemenubuilder would write them
  # into the Unix user's own menus).
  export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=};winemenubuilder.exe=d"
  case "$1" in
    32)
      export WINEARCH=win32
      KAVRI_WINE=/usr/bin/wine
      KAVRI_WINESERVER=/usr/bin/wineserver ;;
    64)
      export WINEARCH=win64
      KAVRI_WINE=/usr/lib/wine/wine64
      KAVRI_WINESERVER=/usr/lib/wine/wineserver64
      export WINELOADER=$KAVRI_WINE
      export WINESERVER=$KAVRI_WINESERVER ;;
    *) echo "kavri_wine_select: 32 or 64, not '$1'" >&2; return 1 ;;
  esac
  export KAVRI_WINE KAVRI_WINESERVER
}

# A prefix's user folders (Desktop, Documents, ...) are links into the real
# home when that has such folders: what a program puts on its desktop would
# land on the real one. Each such link of the prefix $WINEPREFIX becomes a
# folder of its own (empty, inside the prefix).
kavri_wine_unlink_home() {
  local link
  for link in "$WINEPREFIX"/drive_c/users/*/* "$WINEPREFIX"/drive_c/users/*/AppData/*/*; do
    [ -L "$link" ] || continue
    case "$(readlink -f "$link")" in
      "$(cd "$WINEPREFIX" && pwd -P)"/*) ;;
      *) rm -f "$link" && mkdir -p "$link" ;;
    esac
  done
}
