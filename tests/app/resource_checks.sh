# Sourced by the tests that read built installers' resources back: runs
# resource_dump.exe (in $dump_exe) under Wine, and checks its version texts
# and the manifest.
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-select.sh"
kavri_wine_select "${KAVRI_WINE_BITS:-32}"

fail() { echo "FAIL: $*"; exit 1; }

resource_dump() { "$KAVRI_WINE" "$dump_exe" "$@"; }

# expect_versions FILE DUMP LINE...: every "Key=value" line is in DUMP.
expect_versions() {
  local file=$1 dump=$2 line
  shift 2
  for line in "$@"; do
    grep -qxF -- "$line" <<<"$dump" || fail "$file: no \"$line\" in its version resource:"$'\n'"$dump"
  done
}

# expect_manifest FILE ARCH LEVEL IDENTITY: the manifest names ARCH in its
# identity and its common-controls dependency and nowhere another
# architecture, asks for LEVEL, is named IDENTITY, lists the five supported
# Windows and is long-path aware.
expect_manifest() {
  local file=$1 arch=$2 level=$3 identity=$4 manifest
  manifest=$(resource_dump manifest "$file") || fail "no manifest in $file"
  local archs
  archs=$(grep -o 'processorArchitecture="[^"]*"' <<<"$manifest" | sort | uniq -c | sed 's/^ *//')
  [ "$archs" = "2 processorArchitecture=\"$arch\"" ] ||
    fail "$file: the manifest should name $arch twice, it names: $archs"
  grep -q "name=\"$identity\" version=\"[0-9.]*\" processorArchitecture=\"$arch\"" <<<"$manifest" ||
    fail "$file: the manifest's identity is not $identity for $arch"
  grep -q 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' <<<"$manifest" ||
    fail "$file: no common controls 6 in the manifest"
  grep -q "<requestedExecutionLevel level=\"$level\" uiAccess=\"false\"/>" <<<"$manifest" ||
    fail "$file: the manifest does not ask for $level"
  local id
  for id in e2011457-1546-43c5-a5fe-008deee3d3f0 35138b9a-5d96-4fbd-8e2d-a2440225f93a \
            4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38 1f676c76-80e1-4239-95bb-83d0f6d0da78 \
            8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a; do
    grep -q "<supportedOS Id=\"{$id}\"/>" <<<"$manifest" || fail "$file: supportedOS {$id} is missing"
  done
  # The namespaces' whole texts are checked where the manifest is written (product_file_test).
  grep -qE '<longPathAware xmlns="[^"]*/SMI/2016/WindowsSettings">true</longPathAware>' \
    <<<"$manifest" || fail "$file: the manifest is not long-path aware"
  grep -qE '<dpiAware xmlns="[^"]*/SMI/2005/WindowsSettings">true/pm</dpiAware>' \
    <<<"$manifest" || fail "$file: the manifest has no per-monitor fallback"
  grep -qE '<dpiAwareness xmlns="[^"]*/SMI/2016/WindowsSettings">PerMonitorV2, PerMonitor</dpiAwareness>' \
    <<<"$manifest" || fail "$file: the manifest is not per-monitor v2 aware"
}
