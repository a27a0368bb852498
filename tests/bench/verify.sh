#!/usr/bin/env bash
# Verify benchmark (see verify_bench.py): /VERIFY against a bare read-and-CRC-32 loop over the
# same installed files on a RAM disk, and what /REPAIR of a few files reads from the medium.
# Needs root for the RAM disk.
set -euo pipefail
export LC_ALL=C.UTF-8
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BUILD="${MVT_BUILD_DIR:-$ROOT/build}"
export WINEPREFIX="${WINEPREFIX:-$BUILD/wineprefix}"
"$ROOT/tools/wine-run" cmd /c exit >/dev/null 2>&1 || true
python3 "$ROOT/tests/bench/verify_bench.py" "$BUILD" | tee "$BUILD/verify-bench.txt"
