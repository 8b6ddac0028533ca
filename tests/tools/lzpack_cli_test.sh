#!/usr/bin/env bash
# lzpack as a user runs it: round trip, determinism, listing, and clear
# failures with a non-zero exit for bad input.
set -u
lzpack=$1
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
failures=0
check() {   # check "what" expected_status command...
  local what=$1 expected=$2; shift 2
  "$@" >"$work/out.txt" 2>"$work/err.txt"
  local status=$?
  if [ "$status" -ne "$expected" ]; then
    echo "FAIL: $what: exit $status, expected $expected"; cat "$work/err.txt"; failures=$((failures + 1))
  elif [ "$expected" -ne 0 ] && ! grep -q '^lzpack: ' "$work/err.txt"; then
    echo "FAIL: $what: no error message"; failures=$((failures + 1))
  else
    echo "ok: $what"
  fi
}

mkdir -p "$work/in/sub/deeper" "$work/in/empty-dir"
printf 'hello\n' > "$work/in/a.txt"
head -c 20000 /dev/urandom > "$work/in/sub/noise.bin"
yes 'compressible line' | head -n 5000 > "$work/in/sub/deeper/text.txt"
: > "$work/in/empty.txt"

check "create" 0 "$lzpack" create "$work/p1.lz" "$work/in"
check "create again" 0 "$lzpack" create "$work/p2.lz" "$work/in"
if cmp -s "$work/p1.lz" "$work/p2.lz"; then echo "ok: deterministic"; else echo "FAIL: packages differ"; failures=$((failures + 1)); fi
check "list" 0 "$lzpack" list "$work/p1.lz"
if grep -q "^sub/deeper/text.txt	" "$work/out.txt"; then echo "ok: list names with slashes"; else echo "FAIL: list output"; cat "$work/out.txt"; failures=$((failures + 1)); fi
check "extract" 0 "$lzpack" extract "$work/p1.lz" "$work/out"
if diff -r "$work/in" "$work/out" | grep -v '^Only in .*: empty-dir$' | grep -q .; then
  echo "FAIL: extracted tree differs"; failures=$((failures + 1))
else
  echo "ok: byte-identical extraction"
fi

check "missing input folder" 1 "$lzpack" create "$work/x.lz" "$work/nope"
mkdir -p "$work/ro" && chmod a-w "$work/ro"
if [ "$(id -u)" != 0 ]; then check "unwritable output" 1 "$lzpack" create "$work/ro/x.lz" "$work/in"; fi
check "output into a missing folder" 1 "$lzpack" create "$work/nofolder/x.lz" "$work/in"
head -c 100 /dev/urandom > "$work/garbage.lz"
check "damaged package list" 1 "$lzpack" list "$work/garbage.lz"
check "damaged package extract" 1 "$lzpack" extract "$work/garbage.lz" "$work/g"
check "missing package" 1 "$lzpack" list "$work/none.lz"
check "bad usage" 1 "$lzpack" frobnicate

echo "lzpack CLI: $failures failing checks"
[ "$failures" -eq 0 ]
