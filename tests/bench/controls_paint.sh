#!/usr/bin/env bash
# One bitmap button paint against plain block copies and the 10 ms pause, same Wine run.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD="${MVT_BUILD_DIR:-$ROOT/build}"
"$ROOT/tools/wine-run" "$BUILD/bin/skbutton_paint_bench.exe" | tee "$BUILD/controls-paint-bench.txt"
