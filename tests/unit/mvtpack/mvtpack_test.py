#!/usr/bin/env python3
"""The distribution packer end to end: real game trees in, a medium out, checked with the
setup's own zip component (mvtzip, with the zip library), with Info-ZIP, 7-Zip and Python,
and against an independent statement of the setup's subfolder rules.

    mvtpack_test.py --wine-run WINE_RUN --build BUILD_DIR --scratch DIR [unittest arguments]
"""
import argparse
import os
import shutil
import subprocess
import sys
import unittest
import zipfile
import zlib

parser = argparse.ArgumentParser()
for option in ("wine-run", "build", "scratch", "huge-medium"):
    parser.add_argument("--" + option, required=True)
ARGS, rest = parser.parse_known_args()
sys.argv[1:] = rest

MVTPACK = os.path.join(ARGS.build, "bin", "mvtpack.exe")
MVTZIP = os.path.join(ARGS.build, "bin", "mvtzip.exe")
UNINSTALLER = os.path.join(ARGS.build, "bin", "unregmvt.exe")
DIST = os.path.join(ARGS.build, "dist")

# The setup's subfolder rules, written down here once more as the test's own answer.
RULES = ["data", "override", "characters", "ereg", "mplayer", "music", "portraits", "save",
         "cache", "script compiler", "scripts", "sounds", "temp", "tempsave", "movies"]
FOLDER_OF_RULE = {"ereg": "eReg"}
# The game folders the setup makes before unpacking anything.
GAME_FOLDERS = {"cache", "data", "override", "characters", "ereg", "mplayer", "music",
                "portraits", "save", "script compiler", "scripts", "sounds", "movies"}


def destination(archive_name):
    lowered = "".join(c.lower() if "A" <= c <= "Z" else c for c in archive_name)
    found = ""
    for rule in RULES:
        if rule in lowered:
            found = FOLDER_OF_RULE.get(rule, rule)
    return found


def wine_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def run(program, *args):
    """(exit code, stdout lines split at tabs, stderr text), in code page 1251."""
    converted = [wine_path(a) if a.startswith("/") else a for a in args]
    done = subprocess.run([ARGS.wine_run, program, *converted], capture_output=True, timeout=300)
    out = done.stdout.decode("cp1251")
    return (done.returncode, [line.split("\t") for line in out.splitlines()],
            done.stderr.decode("cp1251", "replace"))


def payload(name, size):
    import random
    rng = random.Random(name)
    if size > 100_000:
        return rng.randbytes(size)
    return bytes(rng.choice(b"abcdefgh \n") for _ in range(size))


def make_tree(root, entries):
    """entries: path with '/' -> size in bytes, or None for an (empty) folder."""
    shutil.rmtree(root, ignore_errors=True)
    os.makedirs(root)
    for path, size in entries.items():
        full = os.path.join(root, *path.split("/"))
        if size is None:
            os.makedirs(full, exist_ok=True)
            continue
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "wb") as f:
            f.write(payload(path, size))


def scratch(name):
    folder = os.path.join(ARGS.scratch, name)
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    return folder


def read_setup_description(medium):
    with open(os.path.join(medium, "MVTSetup.ini"), encoding="cp1251") as f:
        lines = [line.strip() for line in f]
    full_size = next(line.split("=", 1)[1] for line in lines if line.startswith("FullSize="))
    files = [line.split("=", 1)[1] for line in lines if line.startswith("File")]
    return full_size, files


def tree_facts(root):
    """Lower-cased relative path -> (size, crc) of every file; and the set of folders."""
    files, folders = {}, set()
    for base, dirs, names in os.walk(root):
        for d in dirs:
            folders.add(os.path.relpath(os.path.join(base, d), root).lower())
        for n in names:
            path = os.path.join(base, n)
            with open(path, "rb") as f:
                data = f.read()
            files[os.path.relpath(path, root).lower()] = (len(data), zlib.crc32(data))
    return files, folders


# A game with every kind of folder: top files, rule folders with files and subfolders, a
# subfolder whose own archive the rules would send elsewhere, a folder without a rule, one
# decided by the last matching rule, Cyrillic names, empty folders, a file whose unpacking
# reports 100 percent one step early, an empty file.
GAME = {
    "morvath.exe": 40_000,
    "Руководство.txt": 3_000,
    "empty.dat": 0,
    "Data/area01.bif": 70_000,
    "Data/Maps/map01.bif": 20_000,
    "Override/spell.spl": 2_000,
    "Override/Music/x.mus": 5_000,
    "Movies/ending.mve": 3 * 2**20 + 50,
    "Save/000000001-Начало/Портрет героя.bmp": 9_000,
    "Tempsave/quick.gam": 1_000,
    "Patch/notes.txt": 1_500,
    "Characters/Imported": None,
    "Temp": None,
    "cache": None,
}


class PackedMedium(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        base = scratch("medium")
        cls.game = os.path.join(base, "game")
        cls.medium = os.path.join(base, "medium")
        make_tree(cls.game, GAME)
        cls.code, cls.out, cls.err = run(MVTPACK, "--setup", DIST, "--uninstaller", UNINSTALLER,
                                         cls.game, cls.medium)
        cls.full_size, cls.files = read_setup_description(cls.medium) if cls.code == 0 else ("", [])

    def archive(self, name):
        return os.path.join(self.medium, "Archives", *name.split("\\"))

    def test_the_medium_is_complete(self):
        self.assertEqual(self.code, 0, self.err)
        for name in ("MVTSetup.exe", "ZipLib179.dll", "Resource/WINDSOR.TTF",
                     "Archives/Unregmvt.zip"):
            self.assertTrue(os.path.isfile(os.path.join(self.medium, name)), name)
        self.assertRegex(self.full_size, r"^[0-9]+$", "a whole number, no decimal separator")
        self.assertEqual(self.files, [
            "Main.zip", "Data.zip", "Data\\Maps.zip", "Movies.zip",
            "Override.zip", "Patch.zip", "Save\\000000001-Начало.zip", "Tempsave.zip"])
        # Each archive goes where the rules send it, and that is where its files came from.
        expected = {"Main.zip": "", "Characters.zip": "characters", "Data.zip": "data",
                    "Data\\Maps.zip": "data", "Movies.zip": "movies", "Override.zip": "override",
                    "Patch.zip": "", "Save\\000000001-Начало.zip": "save",
                    "Tempsave.zip": "tempsave"}
        for name in self.files:
            self.assertEqual(destination(name), expected[name], name)

    def test_archives_pass_the_setups_zip_component_and_other_tools(self):
        for name in self.files + ["Unregmvt.zip"]:
            path = self.archive(name)
            code, lines, _ = run(MVTZIP, "test", path)
            self.assertEqual((code, lines[-1]), (0, ["result", "0"]), name)
            self.assertEqual(subprocess.run(["unzip", "-tqq", path], capture_output=True).returncode,
                             0, name)
            self.assertEqual(subprocess.run(["7z", "t", path], capture_output=True).returncode, 0, name)
            with zipfile.ZipFile(path) as z:
                self.assertIsNone(z.testzip(), name)

    def test_names_are_code_page_1251_and_files_deflated(self):
        with zipfile.ZipFile(self.archive("Save\\000000001-Начало.zip")) as z:
            info = z.infolist()[-1]
            self.assertEqual(info.flag_bits & 0x800, 0, "no UTF-8 flag")
            self.assertEqual(info.create_system, 11, "NTFS: the setup keeps the bytes as they are")
            raw = info.filename.encode("cp437")
            self.assertEqual(raw, "000000001-Начало/Портрет героя.bmp".encode("cp1251"))
            self.assertEqual(info.compress_type, zipfile.ZIP_DEFLATED)
        with zipfile.ZipFile(self.archive("Main.zip")) as z:
            self.assertEqual(sorted(i.filename.encode("cp437").decode("cp1251") for i in z.infolist()),
                             ["Characters/Imported/", "Temp/", "empty.dat", "morvath.exe",
                              "Руководство.txt"],
                             "empty folders come from the archive into the install directory")

    def test_unpacking_every_archive_where_the_rules_say_rebuilds_the_game(self):
        install = scratch("install")
        done = 0
        for name in self.files:
            target = os.path.join(install, destination(name)) if destination(name) else install
            os.makedirs(target, exist_ok=True)
            code, lines, _ = run(MVTZIP, "extract", self.archive(name), target, "--progress=all")
            self.assertEqual(code, 0, name)
            # What the progress screen adds to DoneSize: every report at exactly 100 percent,
            # the directory read's last one included.
            done += sum(int(l[2]) for l in lines if l[0] == "progress" and l[3] == "100")
        self.assertEqual(done, int(self.full_size), "FullSize is what the reports add up to")
        game_files, game_folders = tree_facts(self.game)
        installed_files, installed_folders = tree_facts(install)
        self.assertEqual(installed_files, game_files)
        self.assertEqual(installed_folders - game_folders, set(),
                         "no folder beyond the game's")
        self.assertEqual(game_folders - installed_folders - GAME_FOLDERS, set(),
                         "every folder but those the setup makes itself")

    def test_the_uninstaller_archive_lists_everything_installed(self):
        with zipfile.ZipFile(self.archive("Unregmvt.zip")) as z:
            self.assertEqual(sorted(z.namelist()), ["unregmvt.exe", "unregmvt.lst"])
            with open(UNINSTALLER, "rb") as f:
                self.assertEqual(z.read("unregmvt.exe"), f.read())
            text = z.read("unregmvt.lst").decode("cp1251")
        lines = text.split("\r\n")
        self.assertEqual(lines[0], "MVT installed files 1")
        listed = {l[2:].lower() for l in lines if l.startswith("F\t")}
        game_files, _ = tree_facts(self.game)
        expected = {p.replace("/", "\\") for p in game_files} | {"unregmvt.exe", "unregmvt.lst"}
        self.assertEqual(listed, expected)
        folders = {l[2:] for l in lines if l.startswith("D\t")}
        self.assertIn("save\\000000001-Начало", folders)
        self.assertIn("Characters\\Imported", folders)


class DemoMedium(unittest.TestCase):
    def test_its_full_size_is_what_the_reports_of_its_archives_add_up_to(self):
        full_size, files = read_setup_description(DIST)
        self.assertIn("Movies\\Cinematics.zip", files)
        done = 0
        for name in files:
            code, lines, _ = run(MVTZIP, "test", os.path.join(DIST, "Archives", *name.split("\\")),
                                 "--progress=all")
            self.assertEqual(code, 0, name)
            done += sum(int(l[2]) for l in lines if l[0] == "progress" and l[3] == "100")
        self.assertEqual(done, int(full_size))
        print(f"demo medium: FullSize {full_size} in {len(files)} archives", file=sys.stderr)


class Splitting(unittest.TestCase):
    def test_archives_are_split_by_size_and_full_size_still_adds_up(self):
        base = scratch("split")
        game, medium = os.path.join(base, "game"), os.path.join(base, "medium")
        make_tree(game, {f"Sounds/s{n:02d}.wav": 30_000 for n in range(10)} | {"Sounds/big.wav": 200_000})
        code, out, err = run(MVTPACK, "--setup", DIST, "--split", "64K", game, medium)
        self.assertEqual(code, 0, err)
        full_size, files = read_setup_description(medium)
        self.assertEqual(files, ["Sounds.zip"] + [f"Sounds-{n}.zip" for n in range(2, 7)])
        done = 0
        for name in files:
            with zipfile.ZipFile(os.path.join(medium, "Archives", name)) as z:
                sizes = [i.file_size for i in z.infolist()]
            self.assertTrue(sum(sizes) <= 64 * 1024 or len(sizes) == 1, (name, sizes))
            code, lines, _ = run(MVTZIP, "extract", os.path.join(medium, "Archives", name),
                                 os.path.join(base, "install"), "--progress=all")
            done += sum(int(l[2]) for l in lines if l[0] == "progress" and l[3] == "100")
        self.assertEqual(done, int(full_size))


class FileOverFourGiB(unittest.TestCase):
    """The medium the build packed from a game whose film is over 4 GiB (zeros): the film's
    archive carries Zip64 records that other tools read as well, and only where needed."""

    def test_its_archive_has_zip64_records_where_needed(self):
        size = (4 << 30) + (1 << 20) + 3
        archive = os.path.join(ARGS.huge_medium, "Archives", "Movies.zip")
        with zipfile.ZipFile(archive) as z:
            film = z.getinfo("film.mve")
            self.assertEqual(film.file_size, size)
            self.assertEqual(film.extract_version, 45, "Zip64 needs version 4.5")
            with z.open(film) as data:  # zipfile checks the local header's Zip64 field
                self.assertEqual(data.read(1 << 20), bytes(1 << 20))
        with zipfile.ZipFile(os.path.join(ARGS.huge_medium, "Archives", "Main.zip")) as z:
            self.assertEqual([i.extract_version for i in z.infolist()], [20], "not needed here")
        listed = subprocess.run(["7z", "l", "-slt", archive], capture_output=True, text=True)
        self.assertIn(f"Size = {size}", listed.stdout)
        code, lines, _ = run(MVTZIP, "list", archive)
        self.assertEqual(code, 0)
        self.assertEqual([l[2] for l in lines if l[0] == "entry"], [str(size)])


class SetupAlreadyOnTheMedium(unittest.TestCase):
    def test_the_setup_folder_may_be_the_medium_itself(self):
        base = scratch("setup-in-place")
        game, medium = os.path.join(base, "game"), os.path.join(base, "medium")
        make_tree(game, {"Data/a.bif": 10})
        os.makedirs(medium)
        for name in ("MVTSetup.exe", "ZipLib179.dll"):
            shutil.copy(os.path.join(DIST, name), medium)
        code, _, err = run(MVTPACK, "--setup", medium, game, medium)
        self.assertEqual(code, 0, err)
        with open(os.path.join(DIST, "MVTSetup.exe"), "rb") as f, \
                open(os.path.join(medium, "MVTSetup.exe"), "rb") as g:
            self.assertEqual(f.read(), g.read(), "the program it was packed beside is kept")
        self.assertEqual(read_setup_description(medium)[1], ["Data.zip"])


class Refusals(unittest.TestCase):
    def refused(self, name, entries, *options, prepare=None):
        base = scratch("refused-" + name)
        game, medium = os.path.join(base, "game"), os.path.join(base, "medium")
        make_tree(game, entries)
        if prepare:
            prepare(game, medium)
        code, _, err = run(MVTPACK, "--setup", DIST, *options, game, medium)
        self.assertEqual(code, 1, err)
        self.assertIn("refused; nothing was written", err)
        self.assertFalse(os.path.exists(os.path.join(medium, "MVTSetup.ini")), "nothing written")
        return err

    def test_a_layout_the_rules_cannot_reproduce(self):
        # Files only in folders that rules unpack into: no archive can unpack into the install
        # directory itself, so nothing can bring the empty folder "Extras" there.
        err = self.refused("rules", {"Data/a.bif": 10, "Extras": None})
        self.assertIn("Extras", err)
        self.assertFalse(os.path.exists(os.path.join(ARGS.scratch, "refused-rules", "medium",
                                                     "Archives")))

    def test_names_windows_takes_for_the_same(self):
        self.assertIn("same", self.refused("case", {"Data/a.bif": 1, "Data/A.BIF": 2}))

    def test_a_name_code_page_1251_cannot_write(self):
        self.assertIn("1251", self.refused("codepage", {"日本.txt": 1}))

    def test_a_name_the_zip_library_would_read_as_utf8(self):
        # "Рё" in code page 1251 is the UTF-8 form of "и".
        self.assertIn("UTF-8", self.refused("utf8", {"Рё.txt": 1}))

    def test_the_setups_own_files(self):
        self.assertIn("unreglst.ini", self.refused("reserved", {"unreglst.ini": 1, "a.txt": 1}))

    def test_an_archives_folder_that_holds_files_already(self):
        def prepare(game, medium):
            os.makedirs(os.path.join(medium, "Archives"))
            open(os.path.join(medium, "Archives", "old.zip"), "wb").close()
        err = self.refused("occupied", {"a.txt": 1}, prepare=prepare)
        self.assertIn("holds files already", err)
        self.assertTrue(os.path.exists(os.path.join(ARGS.scratch, "refused-occupied", "medium",
                                                    "Archives", "old.zip")), "left alone")

    def test_a_missing_uninstaller(self):
        err = self.refused("uninstaller", {"a.txt": 1}, "--uninstaller",
                           os.path.join(ARGS.scratch, "none.exe"))
        self.assertIn("no uninstaller", err)

    def test_a_medium_without_the_setup_program(self):
        base = scratch("refused-nosetup")
        game, medium = os.path.join(base, "game"), os.path.join(base, "medium")
        make_tree(game, {"a.txt": 1})
        code, _, err = run(MVTPACK, game, medium)
        self.assertEqual(code, 1, err)
        self.assertIn("give --setup DIR", err)

    def test_usage(self):
        self.assertEqual(run(MVTPACK)[0], 2)
        self.assertEqual(run(MVTPACK, "--split", "0", "a", "b")[0], 2)


if __name__ == "__main__":
    unittest.main(verbosity=2)
