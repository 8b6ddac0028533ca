#!/usr/bin/env bash
# Builds everything and runs every test (native and, under Wine, Windows).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KAVRI_BUILD_DIR:-$root/build}

bash "$root/scripts/build.sh"

source "$root/scripts/wine-env.sh"
trap kavri_wine_cleanup EXIT
ctest --test-dir "$build" --output-on-failure "$@"
