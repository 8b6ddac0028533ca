#!/usr/bin/env bash
# Runs one libFuzzer target of the native build (AddressSanitizer and
# UndefinedBehaviorSanitizer) for a bounded time over its corpus.
#   bash scripts/fuzz.sh TARGET [seconds]      TARGET: json, package, image,
#                                             xml, markup, lua_boundary, lua_json
#   bash scripts/fuzz.sh --list                the targets
#   KAVRI_FUZZ_RUNS=10000000 bash scripts/fuzz.sh TARGET 86400
#                                              a long run: stops after that
#                                              many executions (or the time)
#   KAVRI_FUZZ_TIMEOUT=120                     seconds one input may take before
#                                              it counts as a hang (default 10;
#                                              raise it for runs on a busy machine)
# Default 60 seconds. The corpus grows in <build>/fuzz/TARGET/corpus (seeded
# from tests/fuzz/seeds/TARGET and, for some targets, generated seeds); crash
# inputs land in <build>/fuzz/TARGET/crashes and make the script fail. A crash
# belongs in the reader's ordinary table of cases once fixed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KAVRI_BUILD_DIR:-$root/build}
targets=(json package image xml markup lua_boundary lua_json)

if [ "${1:-}" = "--list" ]; then printf '%s\n' "${targets[@]}"; exit 0; fi
target=${1:?usage: fuzz.sh TARGET [seconds] (see --list)}
seconds=${2:-60}
case " ${targets[*]} " in *" $target "*) ;; *) echo "fuzz: no target '$target'" >&2; exit 2 ;; esac
out="$build/fuzz/$target"

if ! command -v clang++ >/dev/null || ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
  SUDO=""
  if [ "$(id -u)" != 0 ]; then SUDO=sudo; fi
  $SUDO apt-get install -y -qq --no-install-recommends clang libclang-rt-14-dev >/dev/null
fi

mkdir -p "$out/corpus" "$out/crashes"
# The native build configured for fuzzing (tests/fuzz/CMakeLists.txt), in its own folder.
cmake -S "$root" -B "$build/fuzz/build" -DKAVRI_HOST_ONLY=ON -DKAVRI_FUZZ=ON -DKAVRI_BUILD_TESTS=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build/fuzz/build" --target "${target}_fuzz" --parallel "$(nproc)"

# Seeds: the files kept in the source tree, plus generated ones.
if [ -d "$root/tests/fuzz/seeds/$target" ]; then cp -f "$root/tests/fuzz/seeds/$target"/* "$out/corpus/"; fi
seed() { printf '%s' "$2" > "$out/corpus/seed-$1"; }
case "$target" in
  json)
    seed list '[{"path":"D:\\a.jpg"},{"path":"b"}]'
    seed videos '{"sequence":[3,1],"videos":[{"id":1,"path":"v","total_second":12.7}]}'
    seed songs '{sequence:[1,],"songs":[{"id":1,"song_id":0,"song_path":"A.MP3","title":"\u00e9"}],}'
    seed numbers '[+1,-.5,1e5.3,1e999,007,2147483648]'
    seed strings '["\"\\\/\b\f\n\r\t","\ud83d\ude00","é中"]'
    ;;
  package)
    cp -f "$root/tests/fixtures/package/golden.lz" "$out/corpus/seed-golden.lz"
    cp -f "$root/tests/fixtures/package/without-checks.lz" "$out/corpus/seed-without-checks.lz"
    ;;
  image)
    for f in "$root"/installer/style/*.png; do cp -f "$f" "$out/corpus/seed-$(basename "$f")"; done
    ;;
  lua_json)
    seed log '{"product":"Kavri","files":[{"path":"C:\\Program Files\\Kavri\\readme.txt","size":1234}],"folders":["C:\\Kavri"]}'
    seed holes '[1,null,3,{"a":null},[],{},-0,1.5,5000000000]'
    seed text '["\ud83d\ude00","\udc00 lone","\u0000zero","é"]'
    ;;
  lua_boundary)
    seed path 'C:\Program Files\Kavri\'
    seed bracket 'D:\x]==] injected = true --[==['
    seed quote '" injected = true --'
    seed number '4294967295.5'
    seed controls "$(printf 'a\r\n\t\001\377b')"
    ;;
  xml|markup)   # the demo's layouts and styles, and every markup file of the test suites
    find "$root/installer" "$root/tests" -name '*.xml' -size -64k -not -path '*/build/*' | while read -r f; do
      cp -f "$f" "$out/corpus/seed-$(echo "$f" | md5sum | cut -c1-12).xml"
    done
    ;;
esac

max_len=4096
[ "$target" = json ] || max_len=65536
cd "$out"
"$build/fuzz/build/tests/fuzz/${target}_fuzz" -max_total_time="$seconds" -max_len="$max_len" -timeout="${KAVRI_FUZZ_TIMEOUT:-10}" \
  -rss_limit_mb=2048 -artifact_prefix="$out/crashes/" -print_final_stats=1 \
  ${KAVRI_FUZZ_RUNS:+-runs="$KAVRI_FUZZ_RUNS"} "$out/corpus"
