#!/usr/bin/env bash
# The demo's setup and uninstaller as Windows reads them: the version resource
# written from the product file, and the manifest of this build's processor
# architecture (named both in the identity and in the common-controls
# dependency), with the execution level of the install mode, every supported
# Windows and long paths.
#   installer_resources_test.sh resource_dump.exe KavriSetup.exe Uninstall.exe
set -euo pipefail
dump_exe=$1 setup=$2 uninstaller=$3
export WINEPREFIX=${KAVRI_WINEPREFIX:?}
source "$(dirname "$0")/resource_checks.sh"

arch=x86
[ "${KAVRI_WINE_BITS:-32}" = 64 ] && arch=amd64

versions=$(resource_dump version "$setup") || fail "no version resource in $setup"
expect_versions "$setup" "$versions" \
  "ProductName=Kavri" "ProductVersion=1.0.0" "FileVersion=1.0.0" "CompanyName=Kavri" \
  "LegalCopyright=Copyright (C) Kavri" "FileDescription=Kavri Setup" "OriginalFilename=KavriSetup.exe" \
  "InternalName=KavriSetup" "FileVersionNumbers=1.0.0.0" "ProductVersionNumbers=1.0.0.0"
versions=$(resource_dump version "$uninstaller") || fail "no version resource in $uninstaller"
expect_versions "$uninstaller" "$versions" \
  "ProductName=Kavri" "ProductVersion=1.0.0" "FileDescription=Kavri Uninstaller" \
  "OriginalFilename=Uninstall.exe" "FileVersionNumbers=1.0.0.0"

expect_manifest "$setup" "$arch" requireAdministrator Kavri.Setup
expect_manifest "$uninstaller" "$arch" requireAdministrator Kavri.Uninstall
echo "PASS: the version resources and the $arch manifests of the setup and the uninstaller"
