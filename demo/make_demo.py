#!/usr/bin/env python3
"""Writes the demo distribution beside the setup program: MVTSetup.ini and Archives\\.

The archives hold a few megabytes of stand-in game files laid out the way the real
package is (data, override, music, movies, …), so a demo installation shows real progress.
The game's configuration program is real: Main.zip carries the built MVConfig.exe, which
the setup starts from the install directory at the end.
Everything else is deterministic: fixed contents, fixed timestamps, fixed order.

    make_demo.py DIST_DIR MVCONFIG_EXE
"""
import os
import random
import sys
import zipfile

STAMP = (2026, 12, 1, 12, 0, 0)

# Archive name in the setup description -> {entry name: size in bytes, or None for a built
# program whose path is given on the command line}
ARCHIVES = {
    "Main.zip": {"morvath.exe": 48_000, "MVConfig.exe": None, "readme.txt": 3_000},
    "Data.zip": {f"area{n:02d}.bif": 180_000 for n in range(1, 9)},
    "Override.zip": {f"spell{n:03d}.spl": 2_000 for n in range(1, 41)},
    "Characters.zip": {"default.chr": 4_000},
    "Portraits.zip": {f"hero{n}.bmp": 30_000 for n in range(1, 6)},
    "Music.zip": {f"theme{n}.mus": 220_000 for n in range(1, 5)},
    "Sounds.zip": {f"step{n}.wav": 12_000 for n in range(1, 21)},
    "Scripts.zip": {f"quest{n:02d}.bcs": 5_000 for n in range(1, 31)},
    "Movies.zip": {"intro.mve": 900_000, "ending.mve": 600_000},
    "Save\\Slot1.zip": {"000000001-Начало\\morvath.gam": 40_000},
}
UNINSTALLER = {"Unregmvt.exe": 16_000, "unreg.dat": 2_000}


def payload(name, size):
    """Compressible but not trivial bytes, the same for the same name on every run."""
    rng = random.Random(name)
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
    """Writes the archive; returns the total size of its entries."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    total = 0
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as archive:
        for name, size in entries.items():
            info = zipfile.ZipInfo(name.replace("\\", "/"), date_time=STAMP)
            info.compress_type = zipfile.ZIP_DEFLATED
            data = contents(name, size, built)
            archive.writestr(info, data)
            total += len(data)
    return total


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    dist = sys.argv[1]
    built = {"MVConfig.exe": sys.argv[2]}
    archives = os.path.join(dist, "Archives")
    total = 0
    lines = ["[Setup]", None, "", "[Files]"]
    for n, (name, entries) in enumerate(ARCHIVES.items()):
        total += write_zip(os.path.join(archives, *name.split("\\")), entries, built)
        lines.append(f"File{n}={name}")
    write_zip(os.path.join(archives, "Unregmvt.zip"), UNINSTALLER, built)
    lines[1] = f"FullSize={total}"
    with open(os.path.join(dist, "MVTSetup.ini"), "w", encoding="cp1251", newline="\r\n") as ini:
        ini.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
