#!/usr/bin/env bash
# Runs a test program with drive D: of the prefix on a small RAM disk of its own, so that
# the program can fill the drive for real. Needs root (mount); the drive letter's earlier
# meaning is put back afterwards.
#
#   small_drive.sh SIZE PROGRAM [ARGS...]
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)
size=$1 program=$2
shift 2
export WINEPREFIX="${WINEPREFIX:-${MVT_BUILD_DIR:-$ROOT/build}/wineprefix}"
disk=$(mktemp -d /tmp/mvt-small-drive.XXXXXX)
mount -t tmpfs -o "size=$size" mvt-small-drive "$disk"
link="$WINEPREFIX/dosdevices/d:"
saved=$(readlink "$link" 2>/dev/null || true)
ln -sfn "$disk" "$link"
cleanup() {
    rm -f "$link"
    [ -z "$saved" ] || ln -s "$saved" "$link"
    umount "$disk" && rmdir "$disk"
}
trap cleanup EXIT
"$ROOT/tools/wine-run" "$program" "$@"
