#!/usr/bin/env bash
# Extraction benchmark: ZipLib179.dll (through mvtzip, or through extract_driver while mvtzip
# is not built) against a bare zlib baseline, both under the same Wine prefix in one run, on
# a game-like payload: a few large files (about 300 MB) and 20,000 small files of about 2 KB
# in nested folders. Prints the times, the ratios, the peak memory, and native unzip's time
# for reference. Figures only: nothing here passes or fails on speed.
#
#   tests/bench/extract.sh          (./mvt bench runs it with Xvfb and a persistent wineserver)
set -euo pipefail
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

# Runs one extraction into a fresh folder; prints "seconds peak_mb". The seconds are the
# program's own figure when it prints one ("seconds N", without Wine's start-up), else the
# wall time of the process; the peak is the program's PeakWorkingSetSize when printed
# ("peak_mb N"), else the largest resident size of the Wine process.
measure() {
    local dest="$WORK/out"
    rm -rf "$dest" && mkdir -p "$dest"
    local stats
    stats=$(mktemp)
    /usr/bin/time -f "%e %M" -o "$stats" "$@" >"$WORK/last.log" 2>&1 || {
        echo "extract.sh: failed: $*" >&2
        tail -5 "$WORK/last.log" >&2
    }
    local wall kilobytes own_seconds own_peak
    read -r wall kilobytes <"$stats"
    rm -f "$stats"
    own_seconds=$(sed -n 's/.*seconds \([0-9.]*\).*/\1/p' "$WORK/last.log" | tail -1)
    own_peak=$(sed -n 's/.*peak_mb \([0-9.]*\).*/\1/p' "$WORK/last.log" | tail -1)
    printf '%s %s\n' "${own_seconds:-$wall}" "${own_peak:-$(echo "$kilobytes / 1024" | bc -l)}"
}

# Best time and largest peak of three runs.
best_of_three() {
    local best="" peak=0 s m
    for _ in 1 2 3; do
        read -r s m <<<"$("$@")"
        if [ -z "$best" ] || [ "$(echo "$s < $best" | bc -l)" = 1 ]; then best=$s; fi
        if [ "$(echo "$m > $peak" | bc -l)" = 1 ]; then peak=$m; fi
    done
    echo "$best $peak"
}

baseline() { measure "$RUN" "$BIN/extract_baseline.exe" "$(winpath "$1")" "$(winpath "$WORK/out")"; }
if [ -f "$BIN/mvtzip.exe" ]; then
    TOOL="mvtzip extract"
    library() { measure "$RUN" "$BIN/mvtzip.exe" extract "$(winpath "$1")" "$(winpath "$WORK/out")"; }
else
    TOOL="extract_driver (mvtzip not built)"
    library() { measure "$RUN" "$BIN/extract_driver.exe" "$(winpath "$1")" "$(winpath "$WORK/out")"; }
fi
native() { measure unzip -qo "$1" -d "$WORK/out"; }

# Warm the Wine prefix and the page cache once.
"$RUN" cmd /c exit >/dev/null 2>&1 || true
cat "$WORK/large.zip" "$WORK/small.zip" >/dev/null

echo "extract benchmark: $TOOL vs bare zlib baseline (wall time of each process, seconds)"
for set in large small; do
    archive="$WORK/$set.zip"
    files=$(unzip -Z1 "$archive" | grep -vc '/$' || true)
    bytes=$(unzip -Zt "$archive" | sed -n 's/.* \([0-9]*\) bytes uncompressed.*/\1/p')
    read -r b bm <<<"$(best_of_three baseline "$archive")"
    read -r l lm <<<"$(best_of_three library "$archive")"
    read -r n nm <<<"$(native "$archive")"
    mb=$(echo "$bytes / 1048576" | bc -l)
    printf '%-5s %6d files %7.1f MB | baseline %6.2f s (%6.1f MB/s, peak %5.1f MB) | library %6.2f s (%6.1f MB/s, peak %5.1f MB) | unzip %6.2f s\n' \
        "$set" "$files" "$mb" "$b" "$(echo "$mb / $b" | bc -l)" "$bm" "$l" "$(echo "$mb / $l" | bc -l)" "$lm" "$n"
    if [ "$set" = large ]; then
        printf '      throughput ratio library/baseline %.2f (target >= 0.90)\n' "$(echo "$b / $l" | bc -l)"
    else
        printf '      time ratio library/baseline %.2f (target <= 1.25)\n' "$(echo "$l / $b" | bc -l)"
    fi
done
rm -rf "$WORK/out"
