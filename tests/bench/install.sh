#!/usr/bin/env bash
# Installation run benchmark (see install_run_bench.py): the run in the real progress screen
# against mvtzip extract on a 1 GB archive, whole processes on a RAM disk, rounds
# interleaved; prints the ratio and the longest gap with their targets. Needs root for the
# RAM disk.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/bench_env.bash"
python3 "$ROOT/tests/bench/install_run_bench.py" "$BUILD" | tee "$BUILD/install-bench.txt"
