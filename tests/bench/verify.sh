#!/usr/bin/env bash
# Verify benchmark (see verify_bench.py): /VERIFY against a bare read-and-CRC-32 loop over the
# same installed files on a RAM disk, and what /REPAIR of a few files reads from the medium.
# Needs root for the RAM disk.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/bench_env.bash"
python3 "$ROOT/tests/bench/verify_bench.py" "$BUILD" | tee "$BUILD/verify-bench.txt"
