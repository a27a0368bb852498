#!/usr/bin/env bash
# Builds the zip library's extract job natively as a libFuzzer target (AddressSanitizer and
# UndefinedBehaviorSanitizer) and fuzzes it.
#
#   tests/fuzz/ziplib/run.sh [seconds]      (default 60)
#
# The corpus grows in $MVT_BUILD_DIR/fuzz/ziplib/corpus, seeded from seeds/; findings land in
# $MVT_BUILD_DIR/fuzz/ziplib/findings.
set -euo pipefail
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
ROOT=$(cd "$HERE/../../.." && pwd)
SECONDS_TO_RUN=${1:-60}
OUT="${MVT_BUILD_DIR:-$ROOT/build}/fuzz/ziplib"
mkdir -p "$OUT/corpus" "$OUT/findings"

LIB="$ROOT/ziplib"
# Small data blocks, so that short inputs cross block boundaries.
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -DZIPLIB_BLOCK_SIZE=4096 \
    -I"$LIB/include" -I"$LIB/src" \
    "$HERE/fuzz_extract.cpp" "$LIB/src/zip_format.cpp" "$LIB/src/entry_names.cpp" \
    "$LIB/src/traditional_cipher.cpp" "$LIB/src/crc32_fast.cpp" "$LIB/src/block_writer.cpp" \
    "$LIB/src/extractor.cpp" \
    -lz -pthread -o "$OUT/fuzz_extract"

cp -n "$HERE"/seeds/* "$OUT/corpus/" 2>/dev/null || true
cd "$OUT/findings"
"$OUT/fuzz_extract" -max_total_time="$SECONDS_TO_RUN" -max_len=65536 -timeout=20 \
    -print_final_stats=1 "$OUT/corpus"
