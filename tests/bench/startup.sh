#!/usr/bin/env bash
# Time from the start request to the splash's first paint, against a minimal Win32
# program showing its first window, both under the same Wine in the same run.
set -euo pipefail
# Figures are computed and printed with a decimal point whatever the user's locale (bc prints
# one, and printf would expect the locale's comma); wine-run gives Wine its own locale.
export LC_ALL=C.UTF-8
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD="${MVT_BUILD_DIR:-$ROOT/build}"
RUNS="${MVT_BENCH_RUNS:-9}"
win() { echo "Z:$1" | tr / '\\'; }
"$ROOT/tools/wine-run" "$BUILD/bin/startup_probe.exe" "$RUNS" \
    "$(win "$BUILD/bin/minimal_window.exe")" "$(win "$BUILD/dist/MVTSetup.exe")" |
    tee "$BUILD/startup-bench.txt" |
    awk -F'\t' '{ split($2, m, " "); t[NR] = m[2]; print }
        END { if (NR == 2) printf "splash first paint adds %.1f ms to the minimal program (median)\n", t[2] - t[1] }'
