#!/usr/bin/env bash
# Extraction benchmark: ZipLib179.dll (through mvtzip, or through extract_driver while mvtzip
# is not built) against a bare zlib baseline, both under the same Wine prefix in one run, on
# a game-like payload: a few large files (about 300 MB) and 20,000 small files of about 2 KB
# in nested folders. Prints the times, the ratios, the peak memory, and native unzip's time
# for reference. Figures only: nothing here passes or fails on speed.
#
#   tests/bench/extract.sh          (./mvt bench runs it with Xvfb and a persistent wineserver)
set -euo pipefail
# Figures are computed and printed with a decimal point whatever the user's locale (bc prints
# one, and printf would expect the locale's comma); wine-run gives Wine its own locale.
export LC_ALL=C.UTF-8
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BUILD="${MVT_BUILD_DIR:-$ROOT/build}"
BIN="$BUILD/bin"
WORK="$BUILD/bench/extract"
RUN="$ROOT/tools/wine-run"
export WINEPREFIX="${WINEPREFIX:-$BUILD/wineprefix}"

for exe in extract_baseline.exe ZipLib179.dll; do
    [ -f "$BIN/$exe" ] || { echo "extract.sh: $BIN/$exe is missing; build first" >&2; exit 1; }
done

# ---- Payload and archives (made once, kept in the build folder) --------------------------
mkdir -p "$WORK"
if [ ! -f "$WORK/large.zip" ] || [ ! -f "$WORK/small.zip" ]; then
    echo "making the payload in $WORK" >&2
    rm -rf "$WORK/payload"
    python3 - "$WORK/payload" <<'PY'
import os, random, sys
root = sys.argv[1]
rng = random.Random(2026)
# Large files: like packed textures and sounds, half incompressible, half repetitive.
large = os.path.join(root, "large", "Data")
os.makedirs(large)
for name, mb in (("textures.pak", 140), ("sounds.pak", 100), ("video.pak", 60)):
    with open(os.path.join(large, name), "wb") as f:
        pattern = bytes(rng.getrandbits(8) for _ in range(4096)) * 16
        for _ in range(mb * 8):  # 128 KiB blocks
            f.write(os.urandom(65536))
            f.write(pattern)
# Small files: scripts and descriptions in nested folders.
words = [("".join(rng.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 9))))
         for _ in range(2000)]
small = os.path.join(root, "small", "Scripts")
for i in range(20000):
    folder = os.path.join(small, "Area%02d" % (i // 1000), "Zone%02d" % (i // 100 % 10))
    if i % 100 == 0:
        os.makedirs(folder)
    text = " ".join(rng.choice(words) for _ in range(330))[:2048]
    with open(os.path.join(folder, "obj%05d.scr" % i), "w") as f:
        f.write(text)
PY
    (cd "$WORK/payload/large" && rm -f "$WORK/large.zip" && zip -qr "$WORK/large.zip" .)
    (cd "$WORK/payload/small" && rm -f "$WORK/small.zip" && zip -qr "$WORK/small.zip" .)
fi

winpath() { echo "Z:${1//\//\\}"; }

# Runs one extraction into a fresh folder; prints "seconds wall_seconds peak_mb". The seconds are the
# program's own figure when it prints one ("seconds N", without Wine's start-up), else the
# wall time of the process. The peak is the program's PeakWorkingSetSize when it prints one
# ("peak_mb N"), else the largest VmHWM that /proc shows for the Windows process.
measure() {
    local program=$1
    shift
    rm -rf "$WORK/out" && mkdir -p "$WORK/out" && sync
    local hwm="$WORK/hwm" started ended
    echo 0 >"$hwm"
    (
        high=0
        while sleep 0.1; do
            for pid in $(pgrep -f "$program" || true); do
                kb=$(sed -n 's/^VmHWM:[[:space:]]*\([0-9]*\) kB/\1/p' "/proc/$pid/status" 2>/dev/null || true)
                [ -n "$kb" ] && [ "$kb" -gt "$high" ] && high=$kb && echo "$high" >"$hwm"
            done
        done
    ) &
    local poller=$!
    started=$(date +%s.%N)
    "$@" >"$WORK/last.log" 2>&1 || {
        echo "extract.sh: failed: $*" >&2
        tail -5 "$WORK/last.log" >&2
    }
    ended=$(date +%s.%N)
    kill "$poller" 2>/dev/null
    wait "$poller" 2>/dev/null || true
    local own_seconds own_peak
    own_seconds=$(sed -n 's/.*seconds \([0-9.]*\).*/\1/p' "$WORK/last.log" | tail -1)
    own_peak=$(sed -n 's/.*peak_mb \([0-9.]*\).*/\1/p' "$WORK/last.log" | tail -1)
    local wall
    wall=$(echo "$ended - $started" | bc -l)
    printf '%s %s %s\n' "${own_seconds:-$wall}" "$wall" "${own_peak:-$(echo "$(cat "$hwm") / 1024" | bc -l)}"
}

# Keeps the best time and the largest peak per program over interleaved rounds, so that a
# change in the machine's load hits every program alike.
declare -A BEST WALL PEAK
record() {
    local name=$1 s w m
    read -r s w m <<<"$("$@")"
    if [ -z "${BEST[$name]:-}" ] || [ "$(echo "$s < ${BEST[$name]}" | bc -l)" = 1 ]; then BEST[$name]=$s; fi
    if [ -z "${WALL[$name]:-}" ] || [ "$(echo "$w < ${WALL[$name]}" | bc -l)" = 1 ]; then WALL[$name]=$w; fi
    if [ "$(echo "$m > ${PEAK[$name]:-0}" | bc -l)" = 1 ]; then PEAK[$name]=$m; fi
}

baseline() { measure extract_baseline.exe "$RUN" "$BIN/extract_baseline.exe" "$(winpath "$1")" "$(winpath "$WORK/out")"; }
driver() { measure extract_driver.exe "$RUN" "$BIN/extract_driver.exe" "$(winpath "$1")" "$(winpath "$WORK/out")"; }
mvtzip() { measure mvtzip.exe "$RUN" "$BIN/mvtzip.exe" extract "$(winpath "$1")" "$(winpath "$WORK/out")"; }
# mvtzip's fixed cost: start-up and the component's own directory read, no extraction.
mvtzip_list() { measure mvtzip.exe "$RUN" "$BIN/mvtzip.exe" list "$(winpath "$1")"; }
native() { measure unzip unzip -qo "$1" -d "$WORK/out"; }
if [ -f "$BIN/mvtzip.exe" ]; then
    TOOL=mvtzip
    TOOL_NAME="mvtzip extract (component + library)"
else
    TOOL=driver
    TOOL_NAME="extract_driver (library alone; mvtzip is not built)"
fi

# Warm the Wine prefix and the page cache once.
"$RUN" cmd /c exit >/dev/null 2>&1 || true
cat "$WORK/large.zip" "$WORK/small.zip" >/dev/null

echo "extract benchmark: $TOOL_NAME against the bare zlib baseline; best of three interleaved runs"
echo "  (seconds: the programs' own figure where printed, else wall time; peak: own working set or VmHWM)"
for set in large small; do
    archive="$WORK/$set.zip"
    files=$(unzip -Z1 "$archive" | grep -vc '/$' || true)
    bytes=$(unzip -Zt "$archive" | sed -n 's/.* \([0-9]*\) bytes uncompressed.*/\1/p')
    mb=$(echo "$bytes / 1048576" | bc -l)
    BEST=() WALL=() PEAK=()
    for _ in 1 2 3; do
        record baseline "$archive"
        record driver "$archive"
        [ "$TOOL" = mvtzip ] && record mvtzip "$archive" && record mvtzip_list "$archive"
    done
    record native "$archive"
    b=${BEST[baseline]} bm=${PEAK[baseline]} d=${BEST[driver]} dm=${PEAK[driver]} n=${BEST[native]}
    t=${BEST[$TOOL]} tm=${PEAK[$TOOL]} bw=${WALL[baseline]} tw=${WALL[$TOOL]}
    printf '%-5s %5d files %6.1f MB\n' "$set" "$files" "$mb"
    printf '      baseline        %7.2f s %7.1f MB/s  peak %6.1f MB  (process %.2f s)\n' "$b" "$(echo "$mb / $b" | bc -l)" "$bm" "$bw"
    printf '      library alone   %7.2f s %7.1f MB/s  peak %6.1f MB\n' "$d" "$(echo "$mb / $d" | bc -l)" "$dm"
    [ "$TOOL" = mvtzip ] &&
        printf '      mvtzip extract  %7.2f s (process, Wine start-up included)  peak %6.1f MB (whole Wine process)\n' "$tw" "$tm" &&
        printf '      mvtzip list     %7.2f s (its fixed start-up and directory read, for reference)\n' "${WALL[mvtzip_list]}"
    printf '      native unzip    %7.2f s\n' "$n"
    if [ "$set" = large ]; then
        printf '      throughput vs baseline: library alone %.2f, %s %.2f (process times) (target >= 0.90)\n' \
            "$(echo "$b / $d" | bc -l)" "$TOOL" "$(echo "$bw / $tw" | bc -l)"
    else
        printf '      time vs baseline: library alone %.2f, %s %.2f (process times) (target <= 1.25)\n' \
            "$(echo "$d / $b" | bc -l)" "$TOOL" "$(echo "$tw / $bw" | bc -l)"
    fi
done
rm -rf "$WORK/out" "$WORK/hwm"
