#!/usr/bin/env python3
"""Writes a small game tree for the packed-medium run test: a file whose unpacking reports
100 percent one step before its end (3 MiB + 50 bytes), an empty file, a subfolder archive,
a folder without a rule, a Cyrillic save slot, and a last archive large enough that the
percent cannot round up to 100 before it starts. With --huge, a game whose film is over
4 GiB instead (zeros, written sparse: it takes no room).

    make_pack_tree.py [--huge] GAME_FOLDER
"""
import os
import random
import shutil
import sys

FILES = {
    "game.exe": 30_000,
    "Data/area.bif": 3 * 2**20 + 50,
    "Data/Maps/map.bif": 1_000,
    "Movies/zero.mve": 0,
    "Patch/notes.txt": 500,
    "Save/Слот 1/a.gam": 2_000,
    "Sounds/big.wav": 2_000_000,
}


HUGE_FILES = {"game.exe": 30_000}
HUGE_FILM = ("Movies/film.mve", (4 << 30) + (1 << 20) + 3)


def main():
    huge = sys.argv[1] == "--huge"
    game = sys.argv[-1]
    shutil.rmtree(game, ignore_errors=True)
    for path, size in (HUGE_FILES if huge else FILES).items():
        target = os.path.join(game, *path.split("/"))
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, "wb") as f:
            f.write(random.Random(path).randbytes(size))
    if huge:
        target = os.path.join(game, *HUGE_FILM[0].split("/"))
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, "wb") as f:
            f.truncate(HUGE_FILM[1])


if __name__ == "__main__":
    main()
