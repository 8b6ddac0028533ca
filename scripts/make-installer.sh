#!/usr/bin/env bash
# Builds an installer executable from a content folder, without editing the
# project:
#   bash scripts/make-installer.sh [--arch 32|64]
#        [--sign CERT.pfx --password-file FILE [--timestamp URL]] CONTENT_DIR OUTPUT.exe
#   bash scripts/make-installer.sh --check CONTENT_DIR
# CONTENT_DIR holds product.json, UI.lua, LG.lua, style/, frame/, program/ and
# optionally icon.ico and uninstall/ (see docs/installer-authoring.md). The
# uninstaller is built from uninstall/, or from the project's default one when
# there is none, with the same product file and skin, and goes into the
# payload as "Uninstall.exe". The installer is a 32-bit Windows program
# unless --arch 64 is given.
# --check only checks the content folder (tools/contentcheck: every script
# compiles, every layout parses and uses known elements and attributes, every
# payload entry a script or the product file names is there with that case,
# the product file is complete), one "file:line: problem: remedy" a line; every
# build runs the same check first and stops on a problem. --sign signs it
# (scripts/sign-installer.sh): CERT.pfx holds the certificate and its private
# key, the first line of FILE its password, URL is an RFC 3161 time-stamp
# server. The certificate and password are checked before anything is built.
# OUTPUT.exe is written only when the whole installer is built, signed and
# checked; on any failure no new file is there.
set -euo pipefail
usage() {
  echo "usage: $0 [--arch 32|64] [--sign CERT.pfx --password-file FILE [--timestamp URL]] CONTENT_DIR OUTPUT.exe" >&2
  echo "       $0 [--arch 32|64] --check CONTENT_DIR" >&2
  exit 1
}
fail() { echo "make-installer: $*" >&2; exit 1; }
arch=32 cert='' password='' timestamp='' check_only=''
while [ $# -gt 0 ]; do
  case "$1" in
    --check) check_only=1; shift ;;
    --arch) arch=${2:-}; shift 2 || usage ;;
    --sign) cert=${2:-}; shift 2 || usage ;;
    --password-file) password=${2:-}; shift 2 || usage ;;
    --timestamp) timestamp=${2:-}; shift 2 || usage ;;
    -*) usage ;;
    *) break ;;
  esac
done
case "$arch" in
  32) toolchain=toolchain-mingw-i686.cmake ;;
  64) toolchain=toolchain-mingw-x86_64.cmake ;;
  *) usage ;;
esac
if [ -n "$check_only" ]; then
  [ $# -eq 1 ] && [ -z "$cert" ] || usage
else
  [ $# -eq 2 ] || usage
fi
if [ -n "$cert" ] && [ -z "$password" ]; then fail "--sign needs --password-file, the file whose first line is the password"; fi
if [ -z "$cert" ] && { [ -n "$password" ] || [ -n "$timestamp" ]; }; then fail "--password-file and --timestamp go with --sign"; fi
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KAVRI_BUILD_DIR:-$root/build}
[ -d "$1" ] || fail "the content folder $1 does not exist"
content=$(cd "$1" && pwd)
output=${2:-Setup.exe}
name=$(basename "$output")
case "$name" in
  *.exe|*.EXE|*.Exe) ;;
  *) fail "the output's name must end with .exe: $output" ;;
esac
[ -n "$check_only" ] || [ -d "$(dirname "$output")" ] || fail "the folder of $output does not exist"
for required in product.json UI.lua LG.lua style frame program; do
  [ -e "$content/$required" ] || fail "$content/$required is missing (installer/ holds one of each to copy)"
done
absolute() { (cd "$(dirname "$1")" && printf '%s/%s\n' "$(pwd)" "$(basename "$1")"); }
if [ -n "$cert" ]; then
  bash "$root/scripts/sign-installer.sh" --check-only --sign "$cert" --password-file "$password" ||
    fail "nothing was built"
  cert=$(absolute "$cert")
  password=$(absolute "$password")
fi

# Nothing of the build depends on the time; should a tool read it, it reads
# a fixed one, so that the same content gives the same file.
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-315532800}
bash "$root/scripts/setup.sh"
dir="$build/win$arch"
generator=()
if [ ! -f "$dir/CMakeCache.txt" ] && command -v ninja >/dev/null; then generator=(-G Ninja); fi
cmake -S "$root" -B "$dir" "${generator[@]}" \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain" \
  -DKAVRI_HOST_BINARY_DIR="$build/host" \
  -DKAVRI_CUSTOM_CONTENT="$content" -DKAVRI_CUSTOM_FILE_NAME="$name" \
  -DKAVRI_CUSTOM_SIGN_CERT="$cert" -DKAVRI_CUSTOM_SIGN_PASSWORD_FILE="$password" \
  -DKAVRI_CUSTOM_SIGN_TIMESTAMP="$timestamp" >/dev/null
# The host tools first, so that the content's problems are told plainly,
# before anything of the installer is built.
cmake --build "$dir" --target kavri_host --parallel "$(nproc)"
if ! "$build/host/tools/contentcheck" "$content" >&2; then
  [ -n "$check_only" ] && fail "$content has the problems above"
  fail "$content has the problems above: nothing was built"
fi
if [ -n "$check_only" ]; then
  echo "make-installer: $content has no problem"
  exit 0
fi
cmake --build "$dir" --target CustomSetup --parallel "$(nproc)"

# The setup registers its uninstaller: one whose payload lacks it is no
# installer to ship. grep reads the whole list (no -q): stopping at the
# first match would cut the pipe under a long list, and pipefail would then
# count the listing as failed.
"$build/host/tools/lzpack" list "$dir/CustomSetup.content/program.lz" | cut -f1 | grep -x 'Uninstall.exe' >/dev/null ||
  fail "the payload holds no Uninstall.exe: nothing was written"

# The build wrote the file's checksum into its header (and signing wrote it
# again), and the installer refuses to run from a file that no longer
# matches it: the copy is checked before it takes the output's name.
temp="$output.partial-$$"
trap 'rm -f "$temp"' EXIT
cp "$dir/CustomSetup.exe" "$temp"
"$build/host/tools/pechecksum" check "$temp" || fail "the built file's checksum does not match it"
mv -f "$temp" "$output"
trap - EXIT
echo "make-installer: wrote $output ($arch-bit$([ -z "$cert" ] || echo ", signed"))"
