#!/usr/bin/env bash
# Installs everything the build and the tests need, from Debian's packages only,
# and unpacks Lua 5.2's source package into a cache folder outside the repo.
# Idempotent: once everything is present it returns at once.
#
# Both Windows architectures are built everywhere (mingw-w64 for i686 and
# x86_64). 32-bit Wine is installed only where this machine can execute 32-bit
# Linux programs; elsewhere the tests run the 64-bit build under wine64.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
cache=${KAVRI_CACHE:-$HOME/.cache/kavri-setup}
lua_dir="$cache/lua5.2"
source "$here/scripts/arch-detect.sh"

if kavri_can_run_32bit; then want32=1; else want32=0; fi
stamp="$cache/setup-v4-w32_$want32.done"

# clang and its sanitizer and fuzzer runtimes build the fuzz targets that the
# test command runs briefly (scripts/fuzz.sh); osslsigncode and openssl sign
# installers (scripts/sign-installer.sh) and make the tests' certificates.
# evilwm, a small window manager, gives the Xvfb of the benchmarks managed
# windows as on a desktop.
packages=(
  cmake make ninja-build dpkg-dev
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64 xvfb xauth xdotool imagemagick fonts-wqy-microhei evilwm
  lzma-dev librapidxml-dev libstb-dev googletest xz-utils bc python3
  clang libclang-rt-14-dev osslsigncode openssl
)
if [ "$want32" = 1 ]; then packages+=(wine32:i386); fi

have_all() {
  [ -f "$stamp" ] || return 1
  [ -f "$lua_dir/src/lapi.c" ] || return 1
  command -v i686-w64-mingw32-g++-posix >/dev/null || return 1
  command -v x86_64-w64-mingw32-g++-posix >/dev/null || return 1
  [ -x /usr/lib/wine/wine64 ] || return 1
  command -v Xvfb >/dev/null || return 1
  command -v evilwm >/dev/null || return 1
  [ -f /usr/share/gtest/src/gtest-all.cc ] || [ -d /usr/src/googletest ] || return 1
  command -v clang++ >/dev/null || return 1
  command -v osslsigncode >/dev/null || return 1
  command -v openssl >/dev/null || return 1
  return 0
}

if have_all; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO=sudo; fi
export DEBIAN_FRONTEND=noninteractive

if [ "$want32" = 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi

# Source lines are needed for 'apt-get source lua5.2'. They are derived from the
# machine's own binary lines, so the same archive serves both.
if ! grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    $SUDO sed -i 's/^Types: deb$/Types: deb deb-src/' /etc/apt/sources.list.d/debian.sources
  elif [ -f /etc/apt/sources.list ] && grep -qE '^deb ' /etc/apt/sources.list; then
    grep -E '^deb .* main' /etc/apt/sources.list | sed 's/^deb /deb-src /' |
      $SUDO tee /etc/apt/sources.list.d/kavri-src.list >/dev/null
  else
    echo "setup: no Debian source lines could be derived from /etc/apt; add deb-src lines" >&2
    exit 1
  fi
fi

$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${packages[@]}" >/dev/null

if [ ! -f "$lua_dir/src/lapi.c" ]; then
  rm -rf "$cache/lua-src" && mkdir -p "$cache/lua-src"
  # Upstream source as released: Debian's patches (multiarch paths, shared
  # library build) are skipped, they do not apply to an embedded static build.
  (cd "$cache/lua-src" && apt-get source --download-only -qq lua5.2 >/dev/null &&
     dpkg-source --skip-patches -x lua5.2_*.dsc >/dev/null)
  src=$(find "$cache/lua-src" -maxdepth 1 -mindepth 1 -type d -name 'lua5.2-*' | head -n1)
  [ -n "$src" ] || { echo "setup: lua5.2 source package did not unpack" >&2; exit 1; }
  rm -rf "$lua_dir" && mv "$src" "$lua_dir"
  rm -rf "$cache/lua-src"
fi

mkdir -p "$cache"
touch "$stamp"
echo "setup: done ($lua_dir)"
