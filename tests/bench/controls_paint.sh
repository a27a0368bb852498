#!/usr/bin/env bash
# One bitmap button paint against plain block copies and the 10 ms pause, same Wine run.
set -euo pipefail
# Figures are computed and printed with a decimal point whatever the user's locale (bc prints
# one, and printf would expect the locale's comma); wine-run gives Wine its own locale.
export LC_ALL=C.UTF-8
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD="${MVT_BUILD_DIR:-$ROOT/build}"
"$ROOT/tools/wine-run" "$BUILD/bin/skbutton_paint_bench.exe" | tee "$BUILD/controls-paint-bench.txt"
