#!/usr/bin/env python3
"""End-to-end tests of the mvtzip tool with the real ZipLib179.dll beside it.

    mvtzip_test.py WINE_RUN MVTZIP_EXE FIXTURE_DIR
"""
import os
import random
import shutil
import subprocess
import sys
import time
import unittest

WINE_RUN, MVTZIP, FIXTURES = (os.path.abspath(a) for a in sys.argv[1:4])
del sys.argv[1:4]
# The prefix the tool runs in, found as the runner finds it.
PREFIX = os.environ.get("WINEPREFIX") or os.path.join(
    os.environ.get("MVT_BUILD_DIR") or os.path.join(os.path.dirname(os.path.dirname(WINE_RUN)),
                                                    "build"), "wineprefix")


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
        code, lines = mvtzip("list", fixture("infozip.zip"), "--progress=all")
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
        code, lines = mvtzip("extract", fixture("sevenzip.zip"), dest, "--progress=all")
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

    def test_options_stand_before_or_after_the_arguments(self):
        dest = self.scratch("options")
        code, lines = mvtzip("--progress=all", "extract", "--password", "sesame",
                             fixture("encrypted.zip"), dest)
        self.assertEqual(code, 0, lines)
        with open(os.path.join(dest, "a.txt"), "rb") as f:
            self.assertEqual(f.read(), b"hello")
        self.assertTrue(any(l[0] == "progress" for l in lines))
        code, lines = mvtzip("list", "--", fixture("infozip.zip"))
        self.assertEqual(lines[-1], ["result", "0"])
        self.assertEqual(mvtzip("list", "--bogus", fixture("infozip.zip"))[0], 2)
        self.assertEqual(mvtzip("test", fixture("infozip.zip"), "--password", "x")[0], 2)

    def test_no_password_warning_when_no_entry_needs_one(self):
        """The component warns before every unattended extraction without a password; the
        tool passes the warning on only for an archive with encrypted entries."""
        warning = ["message", "0", "Warning - Unattended Extract: possible not all files extracted"]
        code, lines = mvtzip("extract", fixture("infozip.zip"), self.scratch("nowarning"))
        self.assertEqual(code, 0, lines)
        self.assertNotIn(warning, lines)
        code, lines = mvtzip("test", fixture("sevenzip.zip"))
        self.assertEqual(code, 0, lines)
        self.assertEqual(lines, [["result", "0"]])

    def test_oem_names_become_cyrillic_files(self):
        dest = self.scratch("oem")
        code, lines = mvtzip("extract", fixture("oem.zip"), dest, "--progress=all")
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

    def test_a_destination_that_is_a_link_is_refused_in_words_that_say_so(self):
        """The destination folder itself a link: refused before anything is written, even
        the probe file, with its name and where it leads."""
        outside = self.scratch("linked-outside")
        os.makedirs(outside)
        dest = self.scratch("linked-dest")
        if os.path.islink(dest):  # left by an earlier run: rmtree leaves links alone
            os.remove(dest)
        os.symlink(outside, dest)
        code, lines = mvtzip("extract", fixture("infozip.zip"), dest)
        self.assertEqual((code, lines[-1]), (1, ["result", "10505"]), lines)
        self.assertEqual(lines[-2], ["message", "10505",
                                     f"Extract directory '{wine_path(dest)}\\' is a link: it "
                                     f"leads to {wine_path(outside)}, which is not followed"])
        self.assertEqual(os.listdir(outside), [])

    def test_a_hard_link_in_the_destination_never_changes_the_file_it_shares(self):
        """A read-only file of the destination that is a second name of a file elsewhere (a
        hard link, as any user who may write there can make one): replacing it replaces the
        name and never changes that other file, neither its bytes nor its read-only
        attribute (which on Windows must come off before a read-only file is replaced, and
        is never taken off a file that has another name)."""
        dest = self.scratch("hardlink")
        outside = self.scratch("hardlink-outside")
        os.makedirs(dest)
        os.makedirs(outside)
        victim = os.path.join(outside, "victim.txt")
        with open(victim, "wb") as f:
            f.write(b"outside")
        os.chmod(victim, 0o444)  # what Wine shows as read-only
        os.link(victim, os.path.join(dest, "readme.txt"))
        mvtzip("extract", fixture("infozip.zip"), dest)
        with open(victim, "rb") as f:
            self.assertEqual(f.read(), b"outside")
        self.assertEqual(os.stat(victim).st_mode & 0o777, 0o444)
        os.chmod(victim, 0o644)

    def many_files_archive(self):
        """An archive of 1,500 small files made by Info-ZIP zip, made once per run."""
        folder = os.path.join(FIXTURES, "scratch", "mvtzip-many")
        archive = folder + ".zip"
        if not os.path.exists(archive):
            shutil.rmtree(folder, ignore_errors=True)
            for i in range(1500):
                os.makedirs(os.path.join(folder, "d%02d" % (i // 100)), exist_ok=True)
                with open(os.path.join(folder, "d%02d" % (i // 100), "f%04d.txt" % i), "w") as f:
                    f.write("file %d\n" % i * 20)
            subprocess.run(["zip", "-qr", archive + ".part", "."], cwd=folder, check=True)
            os.rename(archive + ".part", archive)
        return archive

    def test_progress_is_printed_only_when_asked(self):
        archive = self.many_files_archive()
        code, lines = mvtzip("extract", archive, self.scratch("quiet"))
        self.assertEqual(code, 0, lines[-5:])
        self.assertEqual([l for l in lines if l[0] == "progress"], [])
        self.assertEqual(lines[-1], ["result", "0"])
        self.assertEqual(len(os.listdir(os.path.join(FIXTURES, "scratch", "mvtzip", "quiet",
                                                     "d14"))), 100)
        # Every report: the 1,500 starts, their ends and the batch's end among them.
        code, lines = mvtzip("extract", archive, self.scratch("all"), "--progress=all")
        progress = [l for l in lines if l[0] == "progress"]
        self.assertGreaterEqual(len(progress), 3000)
        self.assertEqual(progress[-1], ["progress", "", "0", "101"])
        self.assertEqual(lines[-1], ["result", "0"])

    def test_progress_comes_about_ten_times_a_second_and_the_last_always(self):
        archive = self.many_files_archive()
        started = time.monotonic()
        code, lines = mvtzip("extract", archive, self.scratch("throttled"), "--progress")
        elapsed = time.monotonic() - started
        self.assertEqual(code, 0, lines[-5:])
        progress = [l for l in lines if l[0] == "progress"]
        self.assertGreaterEqual(len(progress), 2)
        self.assertLessEqual(len(progress), 10 * elapsed + 2, (len(progress), elapsed))
        self.assertEqual(progress[-1], ["progress", "", "0", "101"])
        self.assertEqual(lines[-1], ["result", "0"])
        # Listing: the directory read's last report, held back, still precedes the entries.
        code, lines = mvtzip("list", archive, "--progress")
        kinds = [l[0] for l in lines]
        self.assertEqual(kinds.count("entry"), 1500)
        last = len(kinds) - 1 - kinds[::-1].index("progress")
        self.assertEqual(lines[last], ["progress", "", "0", "101"])
        self.assertLess(last, kinds.index("entry"))
        self.assertEqual(lines[-1], ["result", "0"])

    def test_a_full_disk_fails_the_entry_and_leaves_no_partial_file(self):
        """A RAM disk of 8 MB as drive Q: of the prefix; the 12 MB entry fails while its
        earlier blocks are being written, the entries around it are whole."""
        self.assertEqual(os.geteuid(), 0, "the RAM disk needs root")
        source = os.path.join(FIXTURES, "scratch", "mvtzip-full-src")
        shutil.rmtree(source, ignore_errors=True)
        os.makedirs(source)
        rng = random.Random(8)
        for name, size in (("first.bin", 3 << 20), ("big.bin", 12 << 20), ("after.txt", 0)):
            with open(os.path.join(source, name), "wb") as f:
                f.write(rng.randbytes(size) if size else b"after")
        archive = source + ".zip"
        if os.path.exists(archive):
            os.remove(archive)
        subprocess.run(["zip", "-q", "-1", archive, "first.bin", "big.bin", "after.txt"],
                       cwd=source, check=True)
        disk = os.path.join(FIXTURES, "scratch", "mvtzip-full-disk")
        os.makedirs(disk, exist_ok=True)
        subprocess.run(["mount", "-t", "tmpfs", "-o", "size=8m", "tmpfs", disk], check=True)
        link = os.path.join(PREFIX, "dosdevices", "q:")
        try:
            if os.path.lexists(link):
                os.remove(link)
            os.symlink(disk, link)
            code, lines = mvtzip("extract", archive, "Q:\\out")
            self.assertEqual(code, 1, lines)
            messages = [l[1:] for l in lines if l[0] == "message"]
            self.assertIn(["10125", "Skipped big.bin 7"], messages)  # 7: a write error
            self.assertTrue(any(code == "5" and text.startswith("Cannot write: ")
                                for code, text in messages), messages)
            self.assertEqual(sorted(os.listdir(os.path.join(disk, "out"))),
                             ["after.txt", "first.bin"])
            with open(os.path.join(disk, "out", "first.bin"), "rb") as f, \
                    open(os.path.join(source, "first.bin"), "rb") as g:
                self.assertEqual(f.read(), g.read())
        finally:
            if os.path.lexists(link):
                os.remove(link)
            subprocess.run(["umount", "-l", disk], check=False)

    def test_zip64_archives_extract_whole(self):
        """Zip64 records forced by Info-ZIP, and an entry of 4.5 GiB of zeros written by
        Python's zipfile, extracted onto a RAM disk of the test's own."""
        dest = self.scratch("zip64")
        code, lines = mvtzip("extract", fixture("infozip64.zip"), dest)
        self.assertEqual((code, lines[-1]), (0, ["result", "0"]), lines)
        for name in ("a.txt", os.path.join("sub", "b.bin"), os.path.join("sub", "c.txt")):
            with open(os.path.join(dest, name), "rb") as f, \
                    open(os.path.join(FIXTURES, "tree", name), "rb") as g:
                self.assertEqual(f.read(), g.read(), name)

        self.assertEqual(os.geteuid(), 0, "the RAM disk needs root")
        disk = os.path.join(FIXTURES, "scratch", "mvtzip-zip64-disk")
        os.makedirs(disk, exist_ok=True)
        subprocess.run(["mount", "-t", "tmpfs", "-o", "size=4700m", "tmpfs", disk], check=True)
        try:
            code, lines = mvtzip("extract", fixture("zip64_zeros.zip"), disk, "--progress=all")
            self.assertEqual((code, lines[-1]), (0, ["result", "0"]), lines[-5:])
            # The item's size and bytes done as they are, beyond 32 bits.
            item = [l[2:] for l in lines if l[:2] == ["progress", "zeros.bin"]]
            self.assertEqual(item[0], [str(4608 << 20), "0"])
            self.assertEqual(item[-1], [str(4608 << 20), "100"])
            self.assertEqual([int(p) for _, p in item], sorted(int(p) for _, p in item))
            self.assertEqual(os.listdir(disk), ["zeros.bin"])
            self.assertEqual(os.path.getsize(os.path.join(disk, "zeros.bin")), 4608 << 20)
            # The library checked the CRC of every byte; a look at the end as well.
            with open(os.path.join(disk, "zeros.bin"), "rb") as f:
                f.seek(-(1 << 20), os.SEEK_END)
                self.assertEqual(f.read(), bytes(1 << 20))
        finally:
            subprocess.run(["umount", "-l", disk], check=False)

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
