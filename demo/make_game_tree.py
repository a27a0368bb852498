#!/usr/bin/env python3
"""Writes the demo game's folder tree, which the build packs with mvtpack into the demo medium.

Stand-in game files laid out the way the real package is: folders that the setup's subfolder
rules unpack into (Data, Override, Music, Movies, Save, ...), one whose archive name is
decided by the last matching rule (Tempsave: "save", "temp", then "tempsave"; Music\\Override:
"override", then "music"), one without a rule that unpacks into the install directory itself
(Patch), Cyrillic names (a save slot, a portrait, the manual), an empty folder, a film
subfolder of tens of megabytes (Movies\\Cinematics, which becomes an archive in a subfolder of
Archives, so that a demo installation shows the ring closing over many percents), and a film
of 3 MiB + 50 bytes, whose unpacking reports 100 percent one step before its end.

Everything is deterministic: fixed contents, fixed times, fixed order.

    make_game_tree.py GAME_FOLDER [--config-program EXE]

EXE is a built configuration program to place at the top of the game as MVConfig.exe; without
it a stand-in file of 24000 bytes takes its place.
"""
import argparse
import os
import random
import shutil

STAMP = 1796126400  # 2026-12-01 12:00:00 UTC

FILES = {
    "morvath.exe": 48_000,
    "PartyLens.exe": 20_000,
    "Morvath 2 manual.pdf": 60_000,
    "readme.txt": 3_000,
    "Руководство.txt": 7_000,
    **{f"Data\\area{n:02d}.bif": 180_000 for n in range(1, 9)},
    **{f"Override\\spell{n:03d}.spl": 2_000 for n in range(1, 41)},
    "Characters\\default.chr": 4_000,
    **{f"Portraits\\hero{n}.bmp": 30_000 for n in range(1, 6)},
    **{f"Music\\theme{n}.mus": 220_000 for n in range(1, 5)},
    "Music\\Override\\battle.mus": 150_000,
    **{f"Sounds\\step{n:02d}.wav": 12_000 for n in range(1, 21)},
    **{f"Scripts\\quest{n:02d}.bcs": 5_000 for n in range(1, 31)},
    "Movies\\intro.mve": 900_000,
    "Movies\\ending.mve": 3 * 2**20 + 50,
    "Movies\\Cinematics\\chapter1.mve": 24_000_000,
    "Movies\\Cinematics\\chapter2.mve": 18_000_000,
    "Save\\000000001-Начало\\morvath.gam": 40_000,
    "Save\\000000001-Начало\\Портрет героя.bmp": 9_000,
    "Tempsave\\quick.gam": 6_000,
    "Patch\\notes.txt": 1_500,
    "Patch\\Исправления.txt": 2_500,
}
EMPTY_FOLDERS = ["Characters\\Imported", "cache"]
CONFIG_PROGRAM = "MVConfig.exe"
CONFIG_STAND_IN_SIZE = 24_000


def payload(name, size):
    """Compressible but not trivial bytes, the same for the same name on every run. Large
    files (films) are mostly noise, as packed video is, and quick to make."""
    rng = random.Random(name)
    if size > 2_000_000:
        return rng.randbytes(size)
    words = [bytes(rng.choice(b"abcdefghijklmnop") for _ in range(rng.randint(2, 9)))
             for _ in range(64)]
    out = bytearray()
    while len(out) < size:
        out += rng.choice(words) + b" "
        if rng.random() < 0.1:
            out += rng.randbytes(rng.randint(1, 40))
    return bytes(out[:size])


def local(game, path):
    return os.path.join(game, *path.split("\\"))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("game")
    parser.add_argument("--config-program", default="")
    args = parser.parse_args()
    shutil.rmtree(args.game, ignore_errors=True)
    os.makedirs(args.game)
    for path, size in FILES.items():
        target = local(args.game, path)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, "wb") as f:
            f.write(payload(path, size))
    config = local(args.game, CONFIG_PROGRAM)
    if args.config_program:
        shutil.copyfile(args.config_program, config)
    else:
        with open(config, "wb") as f:
            f.write(payload(CONFIG_PROGRAM, CONFIG_STAND_IN_SIZE))
    for folder in EMPTY_FOLDERS:
        os.makedirs(local(args.game, folder), exist_ok=True)
    for root, folders, files in os.walk(args.game, topdown=False):
        for name in files + folders:
            os.utime(os.path.join(root, name), (STAMP, STAMP))


if __name__ == "__main__":
    main()
