#!/usr/bin/env python3
"""End-to-end tests of the mvtzip tool with the real ZipLib179.dll beside it.

    mvtzip_test.py WINE_RUN MVTZIP_EXE FIXTURE_DIR
"""
import os
import shutil
import subprocess
import sys
import unittest

WINE_RUN, MVTZIP, FIXTURES = sys.argv[1:4]
del sys.argv[1:4]


def wine_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def mvtzip(*args):
    """Runs the tool; returns (exit code, list of tab-split lines)."""
    converted = [wine_path(a) if a.startswith("/") else a for a in args]
    done = subprocess.run([WINE_RUN, MVTZIP, *converted], capture_output=True, timeout=120)
    text = done.stdout.decode("cp1251")
    return done.returncode, [line.split("\t") for line in text.splitlines()]


def fixture(name):
    return os.path.join(FIXTURES, name)


class MvtZip(unittest.TestCase):
    def scratch(self, name):
        folder = os.path.join(FIXTURES, "scratch", "mvtzip", name)
        shutil.rmtree(folder, ignore_errors=True)
        return folder

    def test_list_prints_every_entry(self):
        code, lines = mvtzip("list", fixture("infozip.zip"))
        self.assertEqual(code, 0)
        entries = {l[1]: l[2:] for l in lines if l[0] == "entry"}
        self.assertEqual(set(entries), {"a.txt", "sub\\b.bin", "sub\\c.txt"})
        self.assertEqual(entries["a.txt"], ["5", "5", "0", "3610A686"])
        self.assertEqual(entries["sub\\b.bin"][0], "300000")
        progress = [l for l in lines if l[0] == "progress"]
        self.assertEqual(len(progress), 4 + 2)  # n + 2 directory reports
        self.assertEqual(progress[-1], ["progress", "", "0", "101"])
        self.assertEqual(lines[-1], ["result", "0"])

    def test_extract_writes_the_files(self):
        dest = self.scratch("extract")
        code, lines = mvtzip("extract", fixture("sevenzip.zip"), dest)
        self.assertEqual(code, 0, lines)
        with open(os.path.join(dest, "sub", "b.bin"), "rb") as f, \
                open(os.path.join(FIXTURES, "tree", "sub", "b.bin"), "rb") as g:
            self.assertEqual(f.read(), g.read())
        starts = [l for l in lines if l[0] == "progress" and l[1] == "sub\\b.bin"]
        self.assertEqual(starts[0][2:], ["300000", "0"])
        self.assertEqual(starts[-1][2:], ["300000", "100"])
        self.assertEqual(lines[-1], ["result", "0"])

    def test_test_writes_nothing(self):
        code, lines = mvtzip("test", fixture("bsdtar.zip"))
        self.assertEqual(code, 0, lines)
        self.assertEqual(lines[-1], ["result", "0"])

    def test_oem_names_become_cyrillic_files(self):
        dest = self.scratch("oem")
        code, lines = mvtzip("extract", fixture("oem.zip"), dest)
        self.assertEqual(code, 0, lines)
        self.assertTrue(os.path.isfile(os.path.join(dest, "Привет.txt")))
        self.assertTrue(os.path.isfile(os.path.join(dest, "Папка", "Файл.txt")))
        self.assertIn(["progress", "Привет.txt", "3", "0"], lines)

    def test_password(self):
        dest = self.scratch("password")
        code, lines = mvtzip("extract", fixture("encrypted.zip"), dest, "--password", "sesame")
        self.assertEqual(code, 0, lines)
        with open(os.path.join(dest, "a.txt"), "rb") as f:
            self.assertEqual(f.read(), b"hello")
        dest = self.scratch("nopassword")
        code, lines = mvtzip("extract", fixture("encrypted.zip"), dest)
        self.assertNotEqual(code, 0)
        self.assertFalse(os.path.exists(os.path.join(dest, "a.txt")))
        self.assertIn(["message", "0",
                       "Warning - Unattended Extract: possible not all files extracted"], lines)

    def test_failures_give_their_message_and_result(self):
        cases = [("missing.zip", "11002", "Zip file could not be opened"),
                 ("notzip.zip", "11036", "This archive is not a valid Zip archive"),
                 ("badsig.zip", "10102", "Error - no zip file specified!"),
                 ("empty.zip", "11002", "Zip file could not be opened")]
        for archive, result, text in cases:
            code, lines = mvtzip("extract", fixture(archive), self.scratch("fail"))
            self.assertEqual(code, 1, archive)
            self.assertEqual(lines[-1], ["result", result], archive)
            self.assertEqual(lines[-2], ["message", result, text], archive)
        code, lines = mvtzip("list", fixture("badsig.zip"))
        self.assertEqual(lines[-1], ["result", "11015"])
        code, lines = mvtzip("bogus")
        self.assertEqual(code, 2)


if __name__ == "__main__":
    unittest.main(verbosity=2)
