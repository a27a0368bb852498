#!/usr/bin/env python3
"""Makes the archives the installation run tests unpack, with real tools, in OUTDIR/Archives:
one per example name of the folder rules (Info-ZIP zip), one in a subfolder (7z), and the
uninstaller archive. Each holds "<archive name>.txt" naming itself, plus a nested file. And
caseclash.zip, whose two files' names differ only in case.

    make_archives.py OUTDIR
"""
import os
import shutil
import subprocess
import sys

OUT = os.path.join(os.path.abspath(sys.argv[1]), "Archives")
NAMES = ["Data.zip", "tempsave.zip", "savedata.zip", "music_override.zip", "scripts.zip",
         "patch.zip", "Movies/intro.zip", "Unregmvt.zip"]


def main():
    shutil.rmtree(OUT, ignore_errors=True)
    for name in NAMES:
        stem = os.path.basename(name)[:-4]
        tree = os.path.join(OUT, "tree-" + stem)
        os.makedirs(os.path.join(tree, "inner"))
        with open(os.path.join(tree, stem + ".txt"), "w") as f:
            f.write("from " + name)
        with open(os.path.join(tree, "inner", "more.dat"), "wb") as f:
            f.write(bytes(range(256)) * 200)
        target = os.path.join(OUT, *name.split("/"))
        os.makedirs(os.path.dirname(target), exist_ok=True)
        if name.startswith("Movies/"):
            subprocess.run(["7z", "a", "-tzip", "-bd", target, "."], cwd=tree, check=True,
                           stdout=subprocess.DEVNULL)
        else:
            subprocess.run(["zip", "-qr", target, "."], cwd=tree, check=True)
        shutil.rmtree(tree)
    # Two names that differ only in case, which Windows cannot keep apart.
    tree = os.path.join(OUT, "tree-caseclash")
    os.makedirs(tree)
    for name, text in (("Readme.txt", "first"), ("README.TXT", "second")):
        with open(os.path.join(tree, name), "w") as f:
            f.write(text)
    subprocess.run(["zip", "-q", os.path.join(OUT, "caseclash.zip"), "Readme.txt", "README.TXT"],
                   cwd=tree, check=True)
    shutil.rmtree(tree)
    with open(os.path.join(OUT, "stamp"), "w") as f:
        f.write("made\n")


if __name__ == "__main__":
    main()
