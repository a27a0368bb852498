#!/usr/bin/env python3
"""Writes the demo distribution beside the setup program: MVTSetup.ini and Archives\\.

The archives hold stand-in game files laid out the way the real package is (data, override,
music, movies, …): names that pick their folder by different rules (one decided by the last
matching rule, one in a subfolder of Archives\, one with no rule that unpacks into the
install directory itself), Cyrillic file names, and one archive of tens of megabytes, so
that a demo installation shows the ring closing over many percents. Everything is
deterministic: fixed contents, fixed timestamps, fixed order. The game's configuration
program is real: Main.zip carries the built MVConfig.exe, which the setup starts from the
install directory at the end.

FullSize is exact: the progress display adds each file's size when the file is done and,
for each archive, the number of its entries when its directory has been read, so FullSize
is the sum of both over the listed archives and the percent reaches 100 with the last one.

    make_demo.py DIST_DIR MVCONFIG_EXE [EXPECTED_LIST]

EXPECTED_LIST, when given, receives what a full installation must leave, one file a line
(code page 1251): its path below the install directory, its size and its CRC-32 in hex,
separated by tabs. The folder of each archive is written down here by hand, from the names,
so that the end-to-end test checks the setup's folder rules against an independent answer.
"""
import os
import random
import sys
import zipfile
import zlib

STAMP = (2026, 12, 1, 12, 0, 0)

# Archive name in the setup description -> {entry name: size in bytes}
ARCHIVES = {
    # A size of None: a program the project builds, taken as it is.
    "Main.zip": {"morvath.exe": 48_000, "MVConfig.exe": None, "readme.txt": 3_000},
    "Data.zip": {f"area{n:02d}.bif": 180_000 for n in range(1, 9)},
    "Override.zip": {f"spell{n:03d}.spl": 2_000 for n in range(1, 41)},
    "Characters.zip": {"default.chr": 4_000},
    "Portraits.zip": {f"hero{n}.bmp": 30_000 for n in range(1, 6)},
    "Music.zip": {f"theme{n}.mus": 220_000 for n in range(1, 5)},
    "Sounds.zip": {f"step{n}.wav": 12_000 for n in range(1, 21)},
    "Scripts.zip": {f"quest{n:02d}.bcs": 5_000 for n in range(1, 31)},
    "Movies.zip": {"intro.mve": 900_000, "ending.mve": 600_000},
    "Movies\\Cinematics.zip": {"chapter1.mve": 24_000_000, "chapter2.mve": 18_000_000},
    "Save\\Slot1.zip": {"000000001-Начало\\morvath.gam": 40_000,
                         "000000001-Начало\\Портрет героя.bmp": 9_000},
    "Music_Override.zip": {"battle.mus": 150_000},  # "override", then "music": the last wins
    "Patch.zip": {"Руководство.txt": 7_000, "patch\\notes.txt": 1_500},  # no rule: D itself
}
UNINSTALLER = {"Unregmvt.exe": 16_000, "unreg.dat": 2_000}

# Where each archive's files must land, below the install directory ("" = the directory itself).
EXPECTED_FOLDER = {
    "Main.zip": "", "Data.zip": "data", "Override.zip": "override",
    "Characters.zip": "characters", "Portraits.zip": "portraits", "Music.zip": "music",
    "Sounds.zip": "sounds", "Scripts.zip": "scripts", "Movies.zip": "movies",
    "Movies\\Cinematics.zip": "movies", "Save\\Slot1.zip": "save",
    "Music_Override.zip": "music", "Patch.zip": "", "Unregmvt.zip": "",
}


def payload(name, size):
    """Compressible but not trivial bytes, the same for the same name on every run. Large
    files (films) are mostly noise, as packed video is, and quick to make."""
    rng = random.Random(name)
    if size > 4_000_000:
        return rng.randbytes(size)
    words = [bytes(rng.choice(b"abcdefghijklmnop") for _ in range(rng.randint(2, 9))) for _ in range(64)]
    out = bytearray()
    while len(out) < size:
        out += rng.choice(words) + b" "
        if rng.random() < 0.1:
            out += rng.randbytes(rng.randint(1, 40))
    return bytes(out[:size])


def contents(name, size, built):
    if size is None:
        with open(built[name], "rb") as program:
            return program.read()
    return payload(name, size)


def write_zip(path, entries, built):
    """Writes the archive; returns its entries' names and contents."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    files = {}
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as archive:
        for name, size in entries.items():
            info = zipfile.ZipInfo(name.replace("\\", "/"), date_time=STAMP)
            info.compress_type = zipfile.ZIP_DEFLATED
            files[name] = contents(name, size, built)
            archive.writestr(info, files[name])
    return files


def expected_lines(name, files):
    folder = EXPECTED_FOLDER[name]
    for entry, data in files.items():
        path = folder + "\\" + entry if folder else entry
        yield f"{path}\t{len(data)}\t{zlib.crc32(data):08x}"


def main():
    if len(sys.argv) not in (3, 4):
        sys.exit(__doc__)
    dist = sys.argv[1]
    built = {"MVConfig.exe": sys.argv[2]}
    archives = os.path.join(dist, "Archives")
    total = 0
    lines = ["[Setup]", None, "", "[Files]"]
    expected = []
    for n, (name, entries) in enumerate(ARCHIVES.items()):
        files = write_zip(os.path.join(archives, *name.split("\\")), entries, built)
        total += sum(len(data) for data in files.values()) + len(files)
        lines.append(f"File{n}={name}")
        expected += expected_lines(name, files)
    files = write_zip(os.path.join(archives, "Unregmvt.zip"), UNINSTALLER, built)
    expected += expected_lines("Unregmvt.zip", files)
    if len(sys.argv) > 3:
        with open(sys.argv[3], "w", encoding="cp1251", newline="\r\n") as out:
            out.write("\n".join(expected) + "\n")
    lines[1] = f"FullSize={total}"
    with open(os.path.join(dist, "MVTSetup.ini"), "w", encoding="cp1251", newline="\r\n") as ini:
        ini.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
