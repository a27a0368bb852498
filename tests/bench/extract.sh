#!/usr/bin/env bash
# Extraction benchmark (see extract_bench.py): mvtzip extract against the bare loop, whole
# processes on a RAM disk, rounds interleaved; prints each ratio with its target and the peak
# memory. MVT_BENCH_BEFORE names a folder with an earlier mvtzip.exe and ZipLib179.dll to
# time beside them. Needs root for the RAM disk.
#
#   tests/bench/extract.sh          (./mvt bench runs it with Xvfb and a persistent wineserver)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/bench_env.bash"
args=("$BUILD")
[ -n "${MVT_BENCH_BEFORE:-}" ] && args+=(--before "$MVT_BENCH_BEFORE")
python3 "$ROOT/tests/bench/extract_bench.py" "${args[@]}" | tee "$BUILD/extract-bench.txt"
