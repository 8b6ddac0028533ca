#!/usr/bin/env bash
# Builds everything and runs every test (native and, under Wine, Windows).
#
# The Windows tests run on the 32-bit build where this machine can execute
# 32-bit Linux programs (and so 32-bit Wine), else on the 64-bit build under
# 64-bit Wine; KAVRI_ARCH=64 (or 32) forces the choice. The other
# architecture is built too, so both always compile (KAVRI_SKIP_OTHER_ARCH=1
# leaves it out, for quicker runs while developing).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KAVRI_BUILD_DIR:-$root/build}

source "$root/scripts/arch-detect.sh"
kavri_choose_arch
echo "test: Windows tests run on the $kavri_arch-bit build: $kavri_arch_reason"
arches=("$kavri_arch")
if [ "${KAVRI_SKIP_OTHER_ARCH:-0}" != 1 ]; then arches=("$((96 - kavri_arch))" "$kavri_arch"); fi
bash "$root/scripts/build.sh" "${arches[@]}"

kavri_winbuild="$build/win$kavri_arch"
source "$root/scripts/wine-env.sh"
trap kavri_wine_cleanup EXIT
ctest --test-dir "$kavri_winbuild" --output-on-failure "$@"

# Every fuzz target for a few seconds over its seeds and corpus, so a reader
# that breaks on them fails here (KAVRI_FUZZ_SECONDS, 0 leaves it out).
fuzz_seconds=${KAVRI_FUZZ_SECONDS:-5}
if [ "$fuzz_seconds" != 0 ]; then
  for target in $(bash "$root/scripts/fuzz.sh" --list); do
    log="$build/fuzz/$target.log"
    mkdir -p "$build/fuzz"
    if bash "$root/scripts/fuzz.sh" "$target" "$fuzz_seconds" >"$log" 2>&1; then
      echo "fuzz $target: $(grep -m1 -o 'Done [0-9]* runs in [0-9]* second(s)' "$log")"
    else
      tail -n 30 "$log"
      echo "fuzz $target: FAILED (log: $log)" >&2
      exit 1
    fi
  done
fi
