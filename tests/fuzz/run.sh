#!/usr/bin/env bash
# Builds the parsers' fuzz targets natively (tests/fuzz/CMakeLists.txt: clang, libFuzzer,
# AddressSanitizer, UndefinedBehaviorSanitizer) and runs each for the given seconds, side by
# side. Fails when a target does not build or a run finds a fault.
#
#   tests/fuzz/run.sh [seconds] [target...]     (default 600 seconds; every target)
#
# Targets: fuzz_dirreader (the zip component's directory reader), fuzz_msgcodec (its message
# tables), fuzz_extract (the zip library's extract job), fuzz_switches (the setup's command
# line). The build, the growing corpora and
# any findings live in $MVT_FUZZ_DIR (default: the build folder's fuzz/).
set -euo pipefail
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
ROOT=$(cd "$HERE/../.." && pwd)
SECONDS_EACH=${1:-600}
shift || true
TARGETS=("$@")
[ ${#TARGETS[@]} -gt 0 ] || TARGETS=(fuzz_dirreader fuzz_msgcodec fuzz_extract fuzz_switches)
OUT=${MVT_FUZZ_DIR:-${MVT_BUILD_DIR:-$ROOT/build}/fuzz}

mkdir -p "$OUT/findings"
if [ ! -f "$OUT/build.ninja" ]; then
    cmake -S "$HERE" -B "$OUT" -G Ninja -DCMAKE_CXX_COMPILER=clang++ >"$OUT/configure.log" 2>&1 ||
        { cat "$OUT/configure.log" >&2; exit 1; }
fi
cmake --build "$OUT" -- -j"$(nproc)" "${TARGETS[@]}"

# Seeds per target: the zip component's in seeds/<name>, the library's and the command
# line's in seeds/.
seeds_of() {
    case "$1" in
    fuzz_extract) echo "$HERE/ziplib/seeds" ;;
    fuzz_switches) echo "$HERE/setup/seeds" ;;
    *) echo "$HERE/zip/seeds/${1#fuzz_}" ;;
    esac
}

for target in "${TARGETS[@]}"; do
    mkdir -p "$OUT/corpus/$target"
    "$OUT/$target" -max_total_time="$SECONDS_EACH" -max_len=70000 -timeout=20 \
        -rss_limit_mb=1024 -print_final_stats=1 -artifact_prefix="$OUT/findings/$target-" \
        "$OUT/corpus/$target" "$(seeds_of "$target")" >"$OUT/$target.log" 2>&1 &
done
status=0
for job in $(jobs -p); do wait "$job" || status=1; done
for target in "${TARGETS[@]}"; do
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$OUT/$target.log")
    echo "$target: ${runs:-no} runs in ${SECONDS_EACH} s"
    if grep -qE '^==[0-9]+==ERROR|^SUMMARY|deadly signal' "$OUT/$target.log"; then
        status=1
        # A sanitizer's runtime error has no "ERROR" line, only its summary.
        grep -E -A30 '^==[0-9]+==ERROR|deadly signal|runtime error' "$OUT/$target.log" |
            head -60 || true
    fi
done
[ $status -eq 0 ] || echo "findings: $OUT/findings (full logs: $OUT/<target>.log)"
exit $status
