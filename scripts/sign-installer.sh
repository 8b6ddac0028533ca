#!/usr/bin/env bash
# Signs a built installer executable in place with osslsigncode (Authenticode,
# SHA-256), as the last step of its build: after its resources and its
# checksum are written (signing appends the signature and writes the
# checksum again over the signed file).
#
#   bash scripts/sign-installer.sh --sign CERT.pfx --password-file FILE [--timestamp URL]
#        [--description-file FILE] [--pechecksum TOOL] [--check-only] FILE.exe
#
# CERT.pfx holds the certificate with its private key (PKCS#12); the first
# line of the password file is its password. --timestamp asks that RFC 3161
# time-stamp server to countersign, so the signature stays valid after the
# certificate expires. --description-file: the description and web address
# the signature carries, one a line (the build writes it from product.json).
# --pechecksum checks the signed file's checksum with that tool before it
# replaces the file. --check-only checks the certificate and password and
# signs nothing (FILE.exe is then not needed).
#
# The signed file is written beside the original and renamed over it only
# when complete and checked. When signing fails, the unsigned file is removed
# too, so that it is never taken for a signed one; the exit code is 1.
set -euo pipefail
usage() {
  echo "usage: $0 --sign CERT.pfx --password-file FILE [--timestamp URL] [--description-file FILE]" \
       "[--pechecksum TOOL] [--check-only] FILE.exe" >&2
  exit 2
}
cert='' password='' timestamp='' description='' pechecksum='' check_only=0 file=''
while [ $# -gt 0 ]; do
  case "$1" in
    --sign) cert=${2:-}; shift 2 || usage ;;
    --password-file) password=${2:-}; shift 2 || usage ;;
    --timestamp) timestamp=${2:-}; shift 2 || usage ;;
    --description-file) description=${2:-}; shift 2 || usage ;;
    --pechecksum) pechecksum=${2:-}; shift 2 || usage ;;
    --check-only) check_only=1; shift ;;
    -*) usage ;;
    *) [ -z "$file" ] || usage; file=$1; shift ;;
  esac
done
[ -n "$cert" ] && [ -n "$password" ] || usage
[ "$check_only" = 1 ] || [ -n "$file" ] || usage

# A failure also removes the file that was to be signed.
fail() {
  if [ "$check_only" = 0 ] && [ -e "$file" ]; then
    rm -f "$file" "${temp:-}"
    echo "sign: $*; $file was removed (it is not signed)" >&2
  else
    echo "sign: $*" >&2
  fi
  exit 1
}

command -v osslsigncode >/dev/null || fail "osslsigncode is not installed: run scripts/setup.sh"
command -v openssl >/dev/null || fail "openssl is not installed: run scripts/setup.sh"
[ -f "$cert" ] && [ -r "$cert" ] || fail "the certificate $cert does not exist or cannot be read"
[ -f "$password" ] && [ -r "$password" ] || fail "the password file $password does not exist or cannot be read"
# The certificate and its key open with the password (older .pfx files use
# algorithms OpenSSL 3 keeps in its legacy provider). The key is only counted.
opens() { openssl pkcs12 -in "$cert" -passin "file:$password" -noout "$@" 2>/dev/null; }
keys() { openssl pkcs12 -in "$cert" -passin "file:$password" -nocerts -nodes "$@" 2>/dev/null | grep -c 'PRIVATE KEY' || true; }
legacy=()
if ! opens; then
  opens -legacy ||
    fail "cannot open $cert with the password in $password: the password is wrong, or the file is not a" \
         "PKCS#12 (.pfx) certificate"
  legacy=(-legacy)
fi
[ "$(keys "${legacy[@]}")" -gt 0 ] ||
  fail "$cert holds no private key: export the certificate with its private key (.pfx)"
[ "$check_only" = 0 ] || exit 0

[ -f "$file" ] || fail "$file does not exist"
options=(-pkcs12 "$cert" -readpass "$password" -h sha256)
if [ -n "$description" ]; then
  { IFS= read -r name || true; IFS= read -r url || true; } <"$description"
  [ -z "${name:-}" ] || options+=(-n "$name")
  [ -z "${url:-}" ] || options+=(-i "$url")
fi
[ -z "$timestamp" ] || options+=(-ts "$timestamp")

temp="$file.signing-$$"
rm -f "$temp"
trap 'rm -f "$temp"' EXIT
if ! output=$(osslsigncode sign "${options[@]}" -in "$file" -out "$temp" 2>&1); then
  printf '%s\n' "$output" >&2
  if [ -n "$timestamp" ]; then
    fail "osslsigncode could not sign $file (with the time-stamp server $timestamp)"
  fi
  fail "osslsigncode could not sign $file"
fi
if [ -n "$pechecksum" ] && ! "$pechecksum" check "$temp"; then
  fail "the signed file's checksum does not match it"
fi
mv -f "$temp" "$file"
trap - EXIT
