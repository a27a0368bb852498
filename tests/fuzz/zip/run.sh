#!/usr/bin/env bash
# Builds the zip component's parsing code natively with libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs each target for the given seconds (default 600).
#   tests/fuzz/zip/run.sh [seconds]
set -euo pipefail
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
ROOT=$(cd "$HERE/../../.." && pwd)
SECONDS_EACH=${1:-600}
OUT="${MVT_BUILD_DIR:-$ROOT/build}/fuzz-zip"
mkdir -p "$OUT"
FLAGS=(-std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
    -I"$ROOT/src" -I"$ROOT/ziplib/include")

build() {  # target, sources...
    local target=$1
    shift
    clang++ "${FLAGS[@]}" "$@" -o "$OUT/$target"
}
build fuzz_dirreader "$HERE/fuzz_dirreader.cpp" "$ROOT/src/zip/dirreader.cpp"
build fuzz_msgcodec "$HERE/fuzz_msgcodec.cpp" "$ROOT/src/zip/msgcodec.cpp"

status=0
for target in fuzz_dirreader fuzz_msgcodec; do
    corpus="$OUT/corpus-${target#fuzz_}"
    mkdir -p "$corpus"
    (cd "$OUT" && "./$target" -max_total_time="$SECONDS_EACH" -max_len=70000 -timeout=10 \
        -rss_limit_mb=1024 -print_final_stats=1 "$corpus" "$HERE/seeds/${target#fuzz_}" \
        >"$OUT/$target.log" 2>&1) &
done
for job in $(jobs -p); do wait "$job" || status=1; done
for target in fuzz_dirreader fuzz_msgcodec; do
    echo "$target: $(grep -E '^stat::number_of_executed_units' "$OUT/$target.log" || echo 'no stats')"
    grep -E 'ERROR|SUMMARY' "$OUT/$target.log" || true
done
exit $status
