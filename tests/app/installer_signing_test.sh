#!/usr/bin/env bash
# Installers signed by add_installer (SIGN): the uninstaller was signed before
# the setup packed it into its payload, the setup was signed last; both
# signatures verify against the throwaway certificate (and not against
# another), both files' checksums still hold, and the signed setup passes its
# own start-up check and runs its script.
#   installer_signing_test.sh CERT_DIR SignedFixtureSetup.exe program.lz lzpack pechecksum
set -euo pipefail
certs=$1 setup=$2 payload=$3 lzpack=$4 pechecksum=$5
export WINEPREFIX=${KAVRI_WINEPREFIX:?}
source "$(dirname "$0")/../../scripts/wine-select.sh"
kavri_wine_select "${KAVRI_WINE_BITS:-32}"
fail() { echo "FAIL: $*"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bash "$(dirname "$0")/make_test_certificate.sh" "$work" other

"$lzpack" extract "$payload" "$work/payload" >/dev/null || fail "cannot unpack $payload"
uninstaller="$work/payload/SignedFixtureUninstall.exe"
[ -f "$uninstaller" ] || fail "the setup's payload holds no uninstaller: $(ls "$work/payload")"
for file in "$setup" "$uninstaller"; do
  description="Kavri Test Setup"
  [ "$file" = "$uninstaller" ] && description="Kavri Test Uninstaller"
  out=$(osslsigncode verify -CAfile "$certs/test.pem" "$file" 2>&1) ||
    fail "$file does not verify against the test certificate:"$'\n'"$out"
  grep -q 'Signature verification: ok' <<<"$out" || fail "$file: $out"
  grep -qF "Text description: $description" <<<"$out" || fail "$file: the signature does not describe it as $description"
  if osslsigncode verify -CAfile "$work/other.pem" "$file" >/dev/null 2>&1; then
    fail "$file verifies against a certificate that did not sign it"
  fi
  "$pechecksum" check "$file" || fail "$file: the checksum no longer matches the signed file"
done
# The start-up check reads the whole signed file against its checksum before
# the script runs; the fixture's script writes "ran" when it gets to run.
out="$work/ran.txt"
KAVRI_TEST_OUT="Z:${out//\//\\}" "$KAVRI_WINE" "$setup" >/dev/null 2>&1 ||
  fail "the signed setup ended with $?"
[ "$(head -n1 "$out" 2>/dev/null)" = ran ] || fail "the signed setup's script did not run"
echo "PASS: the uninstaller signed inside the payload, the setup signed, both checksums hold, the signed setup runs"
