#!/usr/bin/env bash
# The template made another product's by its product file alone: a copy of
# installer/ whose product.json says "Tally" by "Northwind Tools", nothing
# else edited, built with the content-folder command.
#  1. --check finds nothing; a table of broken copies gives each problem at
#     its file and line;
#  2. the product's name, and nowhere the project's, in what a user sees of
#     the file: its string table, version resource, manifest, layouts and
#     scripts; the uninstaller inside it is built in and described alike;
#  3. installed silently under Wine: the registry, the shortcuts and the
#     folders are the product's; the host's box for a second setup names the
#     product, and the uninstaller shares the setup's guard;
#  4. uninstalled silently: nothing of it is left;
#  5. built again from another copy in other build folders: byte for byte
#     the same file.
#   product_template_test.sh SOURCE_ROOT BUILD_DIR resource_dump.exe ARTIFACTS
set -euo pipefail
root=$1 win_build=$2 dump_exe=$3 artifacts=$4
export WINEPREFIX=${KAVRI_WINEPREFIX:?}
source "$(dirname "$0")/resource_checks.sh"
bits=${KAVRI_WINE_BITS:-32}
build=$(dirname "$win_build")
mkdir -p "$artifacts"
lzpack="$build/host/tools/lzpack"

work="$win_build/product_template_test"
rm -rf "$work"
mkdir -p "$work"
content="$work/content"
cp -r "$root/installer" "$content"
printf '%s\n' '{' \
  '  "name": "Tally",' \
  '  "version": "2.1.0",' \
  '  "publisher": "Northwind Tools",' \
  '  "description": "Tally 2.1 Setup",' \
  '  "id": "Northwind.Tally",' \
  '  "readme": "readme.txt"' \
  '}' >"$content/product.json"

make_installer() { KAVRI_BUILD_DIR="$build" bash "$root/scripts/make-installer.sh" --arch "$bits" "$@"; }

# --- 1. The check: the copy passes, each broken copy is told where.
make_installer --check "$content" >"$work/check.log" 2>&1 || fail "the check failed:"$'\n'"$(cat "$work/check.log")"
# name|file to break|text there|its replacement|the line expected: "file:line: ..." in the output
broken=(
  "script|LG.lua|local log = {|local log = = {|LG.lua:%d: unexpected symbol"
  "layout|frame/main.xml|<TitleBar id=\"1\" height=\"30\"|<TitleBar id=\"1\" height=30|frame/main.xml:%d: the layout does not parse"
  "element|uninstall/frame/main.xml|<TitleBar |<Titlebar |uninstall/frame/main.xml:%d: unknown element <Titlebar>"
  "entry case|UI.lua|local shared = require \"shared\"|local notes = \"Readme.txt\" local shared = require \"shared\"|UI.lua:%d: \"Readme.txt\" names the payload entry \"readme.txt\""
  "product file|product.json|\"readme\": \"readme.txt\"|\"readme\": \"README.txt\"|product.json:%d: readme: \"README.txt\" is named \"readme.txt\""
)
for case in "${broken[@]}"; do
  IFS='|' read -r what file from to expected <<<"$case"
  copy="$work/broken"
  rm -rf "$copy"
  cp -r "$content" "$copy"
  python3 - "$copy/$file" "$from" "$to" <<'EOF'
import sys
path, old, new = sys.argv[1:]
text = open(path, encoding="utf-8").read()
assert old in text, old
open(path, "w", encoding="utf-8").write(text.replace(old, new, 1))
EOF
  line=$(grep -nF -- "$to" "$copy/$file" | head -n1 | cut -d: -f1)
  # shellcheck disable=SC2059  # the expected text holds the line's place
  want="$copy/$(printf "$expected" "$line")"
  if make_installer --check "$copy" >"$work/broken.log" 2>&1; then fail "broken $what: the check passed"; fi
  grep -qF -- "$want" "$work/broken.log" || fail "broken $what: no \"$want\" in:"$'\n'"$(cat "$work/broken.log")"
  if make_installer "$copy" "$work/broken.exe" >"$work/broken-build.log" 2>&1; then fail "broken $what: it was built"; fi
  [ ! -e "$work/broken.exe" ] || fail "broken $what: an installer was written"
  echo "ok: broken $what told at ${want#"$copy/"}"
done
rm -rf "$work/broken"

# --- 2. Built: the product's name in what a user sees, the project's nowhere.
setup="$work/Tally Setup.exe"
make_installer "$content" "$setup" >"$work/build.log" 2>&1 ||
  fail "the build failed:"$'\n'"$(tail -30 "$work/build.log")"
no_project_name() {   # WHAT TEXT
  if grep -qi kavri <<<"$2"; then fail "$1 names the project: $(grep -i kavri <<<"$2" | head -n3)"; fi
}
strings=$(resource_dump strings "$setup") || fail "no string table"
grep -qx '1=Tally' <<<"$strings" && grep -qx '2=Northwind.Tally' <<<"$strings" || fail "the string table: $strings"
no_project_name "the string table" "$strings"
versions=$(resource_dump version "$setup") || fail "no version resource"
expect_versions "$setup" "$versions" "ProductName=Tally" "CompanyName=Northwind Tools" "FileDescription=Tally 2.1 Setup"
no_project_name "the version resource" "$versions"
manifest=$(resource_dump manifest "$setup") || fail "no manifest"
grep -q 'name="Northwind.Tally.Setup"' <<<"$manifest" || fail "the manifest's identity: $manifest"
no_project_name "the manifest" "$manifest"
# The layouts and scripts as packed into the file.
unpacked="$work/unpacked"
mkdir -p "$unpacked"
"$lzpack" extract "$win_build/CustomSetup.content/frame.lz" "$unpacked/frame" >/dev/null || fail "frame.lz does not unpack"
no_project_name "the layouts" "$(cat "$unpacked"/frame/*.xml)"
grep -q '{product.name}' "$unpacked/frame/main.xml" || fail "the layouts do not name the product"
for script in UI.lua LG.lua; do
  no_project_name "$script" "$(cat "$win_build/CustomSetup.content/$script")"
done
# The uninstaller inside: built in, the same product.
"$lzpack" extract "$win_build/CustomSetup.content/program.lz" "$unpacked/program" >/dev/null || fail "no payload"
uninstaller="$unpacked/program/Uninstall.exe"
[ -f "$uninstaller" ] || fail "the payload holds no Uninstall.exe: $(ls "$unpacked/program")"
versions=$(resource_dump version "$uninstaller") || fail "the uninstaller has no version resource"
expect_versions "$uninstaller" "$versions" "ProductName=Tally" "FileDescription=Tally Uninstaller"
no_project_name "the uninstaller's version resource" "$versions"
grep -qx '2=Northwind.Tally' <<<"$(resource_dump strings "$uninstaller")" || fail "the uninstaller's product id"
echo "ok: the product's name in the string table, version resource, manifest, layouts and scripts; none of the project's"

# --- 3. Installed silently. (The installer tests' helpers expect no -e:
# a query of a missing key is an answer there.)
set +e
source "$(dirname "$0")/installer_test_lib.sh"
tally_dir="$drive_c/Program Files/Tally"
tally_menu="$start_menu/Tally"
tally_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tally'
tally_clean() {
  rm -rf "$tally_dir" "$tally_menu"
  wine_run reg delete "$tally_key" /f >/dev/null 2>&1 || true
  wine_run reg delete 'HKLM\Software\Tally' /f >/dev/null 2>&1 || true
  wine_run reg delete 'HKLM\Software\Tally Setup' /f >/dev/null 2>&1 || true   # a setup's journal
  find "$drive_c/users" "$drive_c/windows/temp" -maxdepth 6 -type d -name 'Tally-????????????????' \
    -exec rm -rf {} + 2>/dev/null || true
}
trap tally_clean EXIT
tally_clean
# Every file and folder below C:\ (outside the system's folder) and every
# registry line below HKLM\Software and HKCU\Software that names the product
# or its publisher.
state() {
  (cd "$drive_c" && find . -path ./windows -prune -o -print | { grep -i 'tally\|northwind' || true; } | sort)
  for hive in 'HKLM\Software' 'HKCU\Software'; do
    reg_query "$hive" /s | { grep -i 'tally\|northwind' || true; }
  done
}
before=$(state)
expect_code 0 "the silent install" "$setup" /S
[ -f "$tally_dir/readme.txt" ] && [ -f "$tally_dir/Uninstall.exe" ] || fail "nothing installed into $tally_dir"
registered=$(reg_query "$tally_key")
grep -q 'DisplayName *REG_SZ *Tally$' <<<"$registered" && grep -q 'Publisher *REG_SZ *Northwind Tools$' <<<"$registered" ||
  fail "the registration: $registered"
shortcuts=$(cd "$start_menu" && find . -iname '*.lnk' | sort)
grep -qx './Tally/Tally Readme.lnk' <<<"$shortcuts" && grep -qx './Tally/Uninstall Tally.lnk' <<<"$shortcuts" ||
  fail "the shortcuts: $shortcuts"
after=$(state)
no_project_name "what the install made" "$(diff <(echo "$before") <(echo "$after") || true)"
no_project_name "the registration" "$registered"
no_project_name "the shortcuts" "$(grep -i tally <<<"$shortcuts")"

# A second setup while one runs: its box names the product (the host's
# text); the installed uninstaller shares the guard.
start_app "Tally Setup" "$setup"
shot tally-welcome.png
"$KAVRI_WINE" "$setup" >/dev/null 2>&1 &
second=$!
sleep 2
shot_screen tally-second-instance.png
box_text=$("$KAVRI_WINE" "${KAVRI_BOX_TEXT_EXE:?}" "提示" 2>/dev/null | tr -d '\r') || fail "no box for the second setup"
wait "$second"
[ "$box_text" = "检测到Tally安装或卸载程序正在运行，请结束后重试。" ] || fail "the second setup's box says: $box_text"
no_project_name "the second setup's box" "$box_text"
expect_code 1618 "the uninstaller while the setup runs" "$tally_dir/Uninstall.exe" /S
"$KAVRI_WINESERVER" -k >/dev/null 2>&1 || true
app=""
echo "ok: installed silently as Tally: registration, shortcuts, the second setup's box, the shared guard"

# --- 4. Removed silently: nothing of it left.
expect_code 0 "the silent uninstall" "$tally_dir/Uninstall.exe" /S
wait_for "$tally_dir" gone || fail "the install folder is still there"
for _ in $(seq 50); do pgrep -f 'Tally-Uninstall\.exe' >/dev/null || break; sleep 0.2; done
wine_run reg delete "$session_key" /v PendingFileRenameOperations /f >/dev/null 2>&1 || true
after=$(state)
[ "$after" = "$before" ] || fail "the uninstall left:"$'\n'"$(diff <(echo "$before") <(echo "$after"))"
echo "ok: uninstalled silently, nothing left"

# --- 5. The same content elsewhere, in other build folders: the same file.
other="$work/elsewhere/a-longer-folder-name/content"
mkdir -p "$(dirname "$other")"
cp -r "$content" "$other"
started=$SECONDS
KAVRI_BUILD_DIR="$work/second-build" bash "$root/scripts/make-installer.sh" --arch "$bits" "$other" \
  "$work/elsewhere/Tally Setup.exe" >"$work/build-again.log" 2>&1 || fail "the second build failed:"$'\n'"$(tail -30 "$work/build-again.log")"
again="$work/elsewhere/Tally Setup.exe"   # the same name: the version resource records it
if ! cmp -s "$setup" "$again"; then
  fail "two builds differ in $(cmp -l "$setup" "$again" | wc -l) bytes (sizes $(stat -c %s "$setup") and $(stat -c %s "$again"))"
fi
echo "the build in fresh folders took $((SECONDS - started)) s"
rm -rf "$work/second-build"
echo "PASS: the template as Tally by its product file alone: checked, built, installed, removed, built again the same"
