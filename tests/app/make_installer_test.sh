#!/usr/bin/env bash
# An author's installer for a made-up product, built with the content-folder
# command: the demo's content with another product file ("Tally" by
# "Northwind Tools", per user, its own icon). Refusals first (a wrong
# password, missing files, a bad product file, an unreachable time-stamp
# server): each says what is wrong and leaves no output file. Then the signed
# build: the signature verifies against its certificate (and only that one),
# Windows reads the product's name and version back from the file, the
# manifest names this build's architecture and asks for no elevation, and the
# signed file passes its own start-up check. A build without --sign afterwards
# is not signed.
#   make_installer_test.sh SOURCE_ROOT BUILD_DIR resource_dump.exe
# BUILD_DIR is this Windows build's folder (build/win32 or build/win64): the
# command builds its target there. The test's files stay in
# BUILD_DIR/make_installer_test, which that folder's configuration names.
set -euo pipefail
root=$1 win_build=$2 dump_exe=$3
export WINEPREFIX=${KAVRI_WINEPREFIX:?}
source "$(dirname "$0")/resource_checks.sh"
bits=${KAVRI_WINE_BITS:-32}
arch=x86
[ "$bits" = 64 ] && arch=amd64
[ "$(basename "$win_build")" = "win$bits" ] || fail "$win_build is not a win$bits build folder"
build=$(dirname "$win_build")

work="$win_build/make_installer_test"
rm -rf "$work"
rm -f "$win_build/CustomSetup.exe"   # another test's build: a refusal here must leave none
mkdir -p "$work/out"
content="$work/content"
cp -r "$root/installer" "$content"
rm -rf "$content/uninstall"   # the default uninstaller is built in
cp "${KAVRI_EXIT_CODE_EXE:?}" "$content/program/Tally.exe"   # the product's program
mkdir -p "$content/art"
cp "$root/app/resources/installer.ico" "$content/art/tally.ico"
printf '%s\n' '{' \
  '  "name": "Tally",' \
  '  "version": "2.1.0.7",' \
  '  "publisher": "Northwind Tools",' \
  '  "copyright": "© 2024 Northwind \"Tools\" \\ Co",' \
  '  "description": "Tally 2.1 Setup",' \
  '  "url": "https://localhost/tally",' \
  '  "installMode": "perUser",' \
  '  "icon": "art/tally.ico",' \
  '  "id": "Northwind.Tally",' \
  '  "program": "Tally.exe",' \
  '  "readme": "readme.txt"' \
  '}' >"$content/product.json"
bash "$root/tests/app/make_test_certificate.sh" "$work" test
bash "$root/tests/app/make_test_certificate.sh" "$work" other

make_installer() { KAVRI_BUILD_DIR="$build" bash "$root/scripts/make-installer.sh" --arch "$bits" "$@"; }

# --- Refusals: the message names the problem, and no output file is left.
bad_version="$work/bad-version"
cp -r "$content" "$bad_version"
sed -i 's/"version": "2.1.0.7"/"version": "2.1"/' "$bad_version/product.json"
no_product="$work/no-product"
cp -r "$content" "$no_product"
rm "$no_product/product.json"
sign=(--sign "$work/test.pfx" --password-file "$work/test-password.txt")
refusals=(
  "wrong password|the password is wrong|--sign $work/test.pfx --password-file $work/other-password.txt $content"
  "no certificate|certificate $work/none.pfx does not exist|--sign $work/none.pfx --password-file $work/test-password.txt $content"
  "no password file|password file $work/none.txt does not exist|--sign $work/test.pfx --password-file $work/none.txt $content"
  "no password given|--sign needs --password-file|--sign $work/test.pfx $content"
  "no product file|product.json is missing|$no_product"
  "bad version|$bad_version/product.json:3: version: \"2.1\" is not a version|$bad_version"
  "time-stamp server unreachable|could not sign|${sign[*]} --timestamp http://127.0.0.1:9/ $content"
)
for refusal in "${refusals[@]}"; do
  IFS='|' read -r what message args <<<"$refusal"
  output="$work/out/refused.exe"
  # shellcheck disable=SC2086  # the arguments hold no spaces
  if make_installer $args "$output" >"$work/refused.log" 2>&1; then
    fail "$what: the build succeeded"
  fi
  grep -qF -- "$message" "$work/refused.log" || fail "$what: no \"$message\" in:"$'\n'"$(tail -20 "$work/refused.log")"
  [ -z "$(ls -A "$work/out")" ] || fail "$what: left $(ls -A "$work/out")"
  echo "ok: $what"
done
[ ! -e "$win_build/CustomSetup.exe" ] || fail "the failed signing left the unsigned CustomSetup.exe"

# --- The signed installer, its name with a space.
setup="$work/out/Tally Setup.exe"
make_installer "${sign[@]}" "$content" "$setup" >"$work/build.log" 2>&1 ||
  fail "the signed build failed:"$'\n'"$(tail -30 "$work/build.log")"
grep -q "wrote .*Tally Setup.exe ($bits-bit, signed)" "$work/build.log" || fail "$(tail -5 "$work/build.log")"
out=$(osslsigncode verify -CAfile "$work/test.pem" "$setup" 2>&1) || fail "the signature does not verify:"$'\n'"$out"
grep -q 'Signature verification: ok' <<<"$out" || fail "$out"
grep -qF 'Text description: Tally 2.1 Setup' <<<"$out" || fail "the signature does not carry the description"
grep -qF 'URL description: https://localhost/tally' <<<"$out" || fail "the signature does not carry the address"
if osslsigncode verify -CAfile "$work/other.pem" "$setup" >/dev/null 2>&1; then
  fail "the installer verifies against a certificate that did not sign it"
fi
"$build/host/tools/pechecksum" check "$setup" || fail "the signed file's checksum does not match it"
# The uninstaller inside, built from the default one, is signed too.
"$build/host/tools/lzpack" extract "$win_build/CustomSetup.content/program.lz" "$work/payload" >/dev/null ||
  fail "the payload does not unpack"
out=$(osslsigncode verify -CAfile "$work/test.pem" "$work/payload/Uninstall.exe" 2>&1) ||
  fail "the uninstaller inside is not signed:"$'\n'"$out"

versions=$(resource_dump version "$setup") || fail "no version resource"
expect_versions "$setup" "$versions" \
  "ProductName=Tally" "ProductVersion=2.1.0.7" "FileVersion=2.1.0.7" "CompanyName=Northwind Tools" \
  "LegalCopyright=© 2024 Northwind \"Tools\" \\ Co" "FileDescription=Tally 2.1 Setup" \
  "OriginalFilename=Tally Setup.exe" "InternalName=Tally Setup" \
  "FileVersionNumbers=2.1.0.7" "ProductVersionNumbers=2.1.0.7"
expect_manifest "$setup" "$arch" asInvoker Northwind.Tally.Setup
cmp -s "$content/art/tally.ico" "$win_build/CustomSetup.content/icon.ico" || fail "the product's icon was not used"
grep -q 'installMode = "perUser"' "$win_build/CustomSetup.content/product.lua" || fail "the scripts do not get the mode"

# The signed file passes the start-up check and its script runs: an unknown
# switch, silently, is refused by the script with its own code.
code_file="$work/exit-code.txt"
"$KAVRI_WINE" "${KAVRI_EXIT_CODE_EXE:?}" "Z:${code_file//\//\\}" "Z:${setup//\//\\}" /S /NO-SUCH-SWITCH \
  >/dev/null 2>&1 || true
code=$(tr -dc '0-9' <"$code_file" 2>/dev/null || true)
[ "$code" = 1639 ] || fail "the signed setup ended with ${code:-nothing}, not 1639 (its script's refusal)"

# --- The same content without --sign: the earlier signing is not kept. Its
# payload holds 3,000 more files, listed after the uninstaller: the check for
# the uninstaller reads a long list to its end.
mkdir -p "$content/program/many-small-files"
for i in $(seq -w 0 2999); do printf '%s\n' "$i" >"$content/program/many-small-files/entry-$i.txt"; done
plain="$work/out/plain.exe"
make_installer "$content" "$plain" >"$work/build-plain.log" 2>&1 ||
  fail "the unsigned build failed:"$'\n'"$(tail -30 "$work/build-plain.log")"
if osslsigncode verify -CAfile "$work/test.pem" "$plain" >/dev/null 2>&1; then
  fail "a build without --sign was signed"
fi
"$build/host/tools/pechecksum" check "$plain" || fail "the unsigned file's checksum does not match it"
echo "PASS: refusals, the signed installer of a made-up product with its version resource and $arch manifest," \
  "an unsigned one with a long payload"
