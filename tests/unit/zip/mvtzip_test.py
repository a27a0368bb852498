#!/usr/bin/env python3
"""End-to-end tests of the mvtzip tool with the real ZipLib179.dll beside it.

    mvtzip_test.py WINE_RUN MVTZIP_EXE FIXTURE_DIR
"""
import os
import shutil
import subprocess
import sys
import unittest

WINE_RUN, MVTZIP, FIXTURES = (os.path.abspath(a) for a in sys.argv[1:4])
del sys.argv[1:4]


def wine_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


ESCAPES = {"\\": "\\", "t": "\t", "n": "\n", "r": "\r"}


def unescape(field):
    """Undoes mvtzip's escaping of text fields (see mvtzip --help)."""
    out, i = [], 0
    while i < len(field):
        c = field[i]
        if c != "\\":
            out.append(c)
            i += 1
        elif field[i + 1] == "x":
            out.append(chr(int(field[i + 2:i + 4], 16)))
            i += 4
        else:
            out.append(ESCAPES[field[i + 1]])
            i += 2
    return "".join(out)


def run_tool(*args, cwd=None):
    converted = [wine_path(a) if a.startswith("/") else a for a in args]
    return subprocess.run([WINE_RUN, MVTZIP, *converted], capture_output=True, timeout=120,
                          cwd=cwd)


def mvtzip(*args):
    """Runs the tool; returns (exit code, list of lines split at tabs and unescaped)."""
    done = run_tool(*args)
    # Only "\n" ends a line: a bare carriage return inside a field would be a fault.
    text = done.stdout.decode("cp1251").replace("\r\n", "\n")
    lines = text.split("\n")
    assert lines[-1] == "", "output does not end with a line break"
    return done.returncode, [[unescape(f) for f in line.split("\t")] for line in lines[:-1]]


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

    def test_extract_never_writes_through_a_planted_link(self):
        """A folder link and a file link planted in the destination (as any user who may
        write there can plant them) are refused entry by entry, with a message naming the
        entry and the link; nothing outside the destination changes."""
        dest = self.scratch("links")
        outside = self.scratch("outside")
        os.makedirs(outside)
        victims = {"c.txt": b"outside c", "b.bin": b"outside b", "victim.txt": b"outside a"}
        for name, data in victims.items():
            with open(os.path.join(outside, name), "wb") as f:
                f.write(data)
        os.makedirs(dest)
        os.symlink(outside, os.path.join(dest, "sub"))
        os.symlink(os.path.join(outside, "victim.txt"), os.path.join(dest, "a.txt"))
        code, lines = mvtzip("extract", fixture("infozip.zip"), dest)
        self.assertNotEqual(code, 0, lines)
        for name, data in victims.items():
            with open(os.path.join(outside, name), "rb") as f:
                self.assertEqual(f.read(), data, name)
        self.assertEqual(sorted(os.listdir(outside)), sorted(victims))
        self.assertTrue(os.path.islink(os.path.join(dest, "sub")))
        self.assertTrue(os.path.islink(os.path.join(dest, "a.txt")))
        texts = [l[-1] for l in lines if l[0] == "message"]
        for link in ("a.txt", "sub"):
            self.assertTrue(any(f"a link is in the way: {link} leads to" in t for t in texts),
                            (link, texts))
        for entry in ("a.txt", "sub\\b.bin", "sub\\c.txt"):
            self.assertIn(f"Skipped {entry} 7", texts)

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

    def test_names_with_tabs_and_line_breaks_stay_one_field(self):
        code, lines = mvtzip("list", fixture("oddnames.zip"))
        self.assertEqual(code, 0, lines)
        entries = [l for l in lines if l[0] == "entry"]
        self.assertEqual([len(l) for l in entries], [6] * 5, entries)
        self.assertEqual([l[1] for l in entries],
                         ["tab\there.txt", "line\nbreak.txt", "cr\rname.txt", "back\\slash.txt",
                          "bell\x07.txt"])
        self.assertEqual([l[2] for l in entries], ["1", "2", "3", "4", "5"])
        # As printed: one line per entry, the escapes as documented.
        raw = run_tool("list", fixture("oddnames.zip")).stdout.decode("cp1251")
        self.assertIn("entry\ttab\\there.txt\t1\t", raw)
        self.assertIn("entry\tback\\\\slash.txt\t4\t", raw)
        self.assertIn("entry\tbell\\x07.txt\t5\t", raw)

    def test_help_documents_the_escaping(self):
        done = run_tool("--help")
        self.assertEqual(done.returncode, 0)
        text = done.stdout.decode("cp1251")
        for documented in ("\\t", "\\n", "\\r", "\\\\", "\\xHH", "extract ARCHIVE DEST"):
            self.assertIn(documented, text)

    def test_empty_destination_is_refused(self):
        # Run from a scratch folder: nothing may land in the folder the tool runs in.
        here = self.scratch("current")
        os.makedirs(here)
        for empty in ("", "  "):
            done = run_tool("extract", fixture("infozip.zip"), empty, cwd=here)
            self.assertEqual(done.returncode, 2)
            self.assertIn(b"destination folder is empty", done.stderr)
            self.assertEqual(done.stdout, b"")
        self.assertEqual(os.listdir(here), [])


if __name__ == "__main__":
    unittest.main(verbosity=2)
