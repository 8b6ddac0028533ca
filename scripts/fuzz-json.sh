#!/usr/bin/env bash
# Fuzzes the JSON parser and writer natively with libFuzzer and AddressSanitizer
# for a bounded time (not part of CI). Usage: scripts/fuzz-json.sh [seconds]
# (default 60). The corpus and any crash inputs stay in <build>/fuzz/json/;
# a crash input belongs in the parser's table of cases once fixed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KAVRI_BUILD_DIR:-$root/build}
seconds=${1:-60}
out="$build/fuzz/json"

if ! command -v clang++ >/dev/null || ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
  SUDO=""
  if [ "$(id -u)" != 0 ]; then SUDO=sudo; fi
  $SUDO apt-get install -y -qq --no-install-recommends clang libclang-rt-14-dev >/dev/null
fi

mkdir -p "$out/corpus" "$out/crashes"
# The native build configured for fuzzing (tests/fuzz/CMakeLists.txt), in its own folder.
cmake -S "$root" -B "$build/fuzz/build" -DKAVRI_HOST_ONLY=ON -DKAVRI_FUZZ=ON -DKAVRI_BUILD_TESTS=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build/fuzz/build" --target json_fuzz --parallel "$(nproc)"
cp "$build/fuzz/build/tests/fuzz/json_fuzz" "$out/json_fuzz"

# Seeds: a few documents in the shapes the migration reads, plus the edges.
seed() { printf '%s' "$2" > "$out/corpus/seed-$1"; }
seed list '[{"path":"D:\\a.jpg"},{"path":"b"}]'
seed videos '{"sequence":[3,1],"videos":[{"id":1,"path":"v","total_second":12.7}]}'
seed songs '{sequence:[1,],"songs":[{"id":1,"song_id":0,"song_path":"A.MP3","title":"\u00e9"}],}'
seed numbers '[+1,-.5,1e5.3,1e999,007,2147483648]'
seed strings '["\"\\\/\b\f\n\r\t","\ud83d\ude00","é中"]'

cd "$out"
"$out/json_fuzz" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
  -artifact_prefix="$out/crashes/" -print_final_stats=1 "$out/corpus"
