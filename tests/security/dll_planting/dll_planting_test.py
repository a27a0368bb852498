#!/usr/bin/env python3
"""No shipped program takes a DLL that someone planted beside it or in its current folder.

Both ways: (1) the import tables of every shipped program (shipped_programs.txt) name only
DLLs that Windows protects (known_dlls.txt); (2) started from a scratch copy with a
marker-writing stand-in of every unprotected DLL the programs use (planted_dlls.txt) beside
it and in its current folder, and with Wine told to prefer such a copy as Windows does for
an unprotected name, each program shows its first screen (or does its work) and ends
without loading any of them. A program that imports those DLLs statically (the canary)
must load them in the same setting, or the check would prove nothing.

    dll_planting_test.py --build DIR --wine-run WINE_RUN --objdump OBJDUMP --planted DIR
                         --canary EXE --driver EXE --scratch DIR [unittest arguments]
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))

parser = argparse.ArgumentParser()
for option in ("build", "wine-run", "objdump", "planted", "canary", "driver", "scratch"):
    parser.add_argument("--" + option, required=True)
ARGS, rest = parser.parse_known_args()
sys.argv[1:] = rest

# A generous bound for one program run under a loaded machine; a hang fails the test.
RUN_SECONDS = 180


def list_lines(name):
    """The lines of a list file beside this script, without comments and blank lines."""
    with open(os.path.join(HERE, name), encoding="utf-8") as f:
        lines = (line.split("#", 1)[0].strip() for line in f)
        return [line for line in lines if line]


def known_dlls():
    """DLL name (lower case) -> side-by-side assembly the program must bind, or None."""
    known = {}
    for line in list_lines("known_dlls.txt"):
        name, *options = line.split()
        manifest = [o.split("=", 1)[1] for o in options if o.startswith("manifest=")]
        known[name.lower()] = manifest[0] if manifest else None
    return known


def planted_names():
    return [name.lower() for name in list_lines("planted_dlls.txt")]


class Program:
    def __init__(self, line):
        path, self.kind, *how = line.split(None, 2)
        self.path = path
        self.runs = [run.split() for run in how[0].split("|")] if how else []

    @property
    def file(self):
        return os.path.join(ARGS.build, self.path)

    @property
    def shipped(self):
        return self.kind != "not-shipped"


def programs():
    return [Program(line) for line in list_lines("shipped_programs.txt")]


def imports(path):
    """The DLL names of a program's import table, as objdump shows them."""
    # objdump translates its headings: the tests run under a Russian locale.
    env = dict(os.environ, LC_ALL="C", LANGUAGE="C")
    done = subprocess.run([ARGS.objdump, "-p", path], capture_output=True, text=True,
                          check=True, env=env)
    names = re.findall(r"^\s*DLL Name:\s*(\S+)", done.stdout, re.MULTILINE)
    # Every Windows program imports at least kernel32: none found means a misread.
    if not names:
        raise AssertionError(f"no import table read from {path}")
    return names


def binds_assembly(path, assembly):
    """Whether the program embeds a manifest that depends on the side-by-side assembly."""
    with open(path, "rb") as f:
        data = f.read()
    pattern = rb"<assemblyIdentity[^>]*name=[\"']" + re.escape(assembly.encode()) + rb"[\"']"
    return re.search(pattern, data) is not None


def unprotected_imports(path):
    known = known_dlls()
    found = []
    for dll in imports(path):
        key = dll.lower()
        if key not in known:
            found.append(dll)
        elif known[key] and not binds_assembly(path, known[key]):
            found.append(f"{dll} (not bound to {known[key]} by a manifest)")
    return found


def wine_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def wine(args, cwd):
    """Runs a Windows program in the project's prefix with the planted names native-first."""
    env = dict(os.environ)
    env["WINEDLLOVERRIDES"] = ";".join(f"{name}=n,b" for name in planted_names())
    return subprocess.run([ARGS.wine_run, *args], cwd=cwd, env=env, capture_output=True,
                          timeout=RUN_SECONDS)


def output(done):
    return (done.stdout.decode("cp1251", "replace") + done.stderr.decode("cp1251", "replace"))


class ImportTables(unittest.TestCase):
    def test_every_program_the_build_leaves_is_listed(self):
        listed = {p.path for p in programs()}
        found = set()
        for folder in ("dist", "bin"):
            for root, _, files in os.walk(os.path.join(ARGS.build, folder)):
                for name in files:
                    if name.lower().endswith((".exe", ".dll")):
                        found.add(os.path.relpath(os.path.join(root, name), ARGS.build))
        self.assertEqual(sorted(found - listed), [],
                         "programs missing from shipped_programs.txt: say whether they ship")
        missing = [p.path for p in programs() if p.shipped and not os.path.isfile(p.file)]
        self.assertEqual(missing, [], "shipped programs the build did not make")

    def test_shipped_programs_import_only_protected_dlls(self):
        offenders = {}
        for program in programs():
            if program.shipped:
                found = unprotected_imports(program.file)
                if found:
                    offenders[program.path] = found
        self.assertEqual(offenders, {}, "load these through TSystemLibrary instead")

    def test_the_check_sees_an_unprotected_import(self):
        self.assertEqual(sorted(d.lower() for d in unprotected_imports(ARGS.canary)),
                         ["bcrypt.dll",
                          "comctl32.dll (not bound to microsoft.windows.common-controls by a "
                          "manifest)", "mpr.dll", "msimg32.dll", "oleacc.dll", "winmm.dll"])


class Planting(unittest.TestCase):
    def folders(self, name):
        """A fresh program folder and current folder for one run."""
        base = os.path.join(ARGS.scratch, name)
        shutil.rmtree(base, ignore_errors=True)
        app, cwd = os.path.join(base, "app"), os.path.join(base, "cwd")
        os.makedirs(app)
        os.makedirs(cwd)
        return app, cwd

    def plant(self, *folders):
        for folder in folders:
            for name in planted_names():
                shutil.copy(os.path.join(ARGS.planted, name + ".dll"), folder)

    def markers(self, *folders):
        """Planted DLLs that were loaded: (marker path, program that loaded it)."""
        found = []
        for folder in folders:
            for root, _, files in os.walk(folder):
                for name in files:
                    if name.lower().endswith(".dll.loaded"):
                        with open(os.path.join(root, name), "rb") as f:
                            found.append((os.path.join(root, name),
                                          f.read().decode("cp1251", "replace")))
        return found

    def copy_program(self, program, app):
        """The program with the files beside it and its Resource folder, as on a medium."""
        source = os.path.dirname(program.file)
        for name in os.listdir(source):
            if os.path.isfile(os.path.join(source, name)):
                shutil.copy(os.path.join(source, name), app)
        if os.path.isdir(os.path.join(source, "Resource")):
            shutil.copytree(os.path.join(source, "Resource"), os.path.join(app, "Resource"))
        return os.path.join(app, os.path.basename(program.file))

    def demo_archive(self, folder):
        archives = os.path.join(ARGS.build, "dist", "Archives")
        name = sorted(n for n in os.listdir(archives) if n.lower().endswith(".zip"))[0]
        return shutil.copy(os.path.join(archives, name), os.path.join(folder, "demo.zip"))

    def small_game(self, folder):
        """A game tree of one file in a folder the setup's rules know, for the packer."""
        game = os.path.join(folder, "game")
        os.makedirs(os.path.join(game, "Data"), exist_ok=True)
        with open(os.path.join(game, "Data", "area.bif"), "wb") as f:
            f.write(b"area" * 100)
        return game

    def test_a_static_import_takes_the_planted_dlls(self):
        # The control: without it, a clean result below could mean a broken setting.
        app, cwd = self.folders("canary")
        self.plant(app, cwd)
        canary = shutil.copy(ARGS.canary, app)
        done = wine([wine_path(canary)], cwd)
        self.assertEqual(done.returncode, 0, output(done))
        loaded = {os.path.basename(m).lower().split(".")[0] for m, _ in self.markers(app)}
        self.assertEqual(loaded, set(planted_names()),
                         "the planted stand-ins are not taken even by a static import")

    def test_shipped_programs_never_load_a_planted_dll(self):
        ran = 0
        for program in programs():
            if program.kind not in ("wizard", "window", "console"):
                continue
            ran += 1
            with self.subTest(program=program.path):
                app, cwd = self.folders(os.path.basename(program.path))
                copy = self.copy_program(program, app)
                self.plant(app, cwd)
                if program.kind == "console":
                    base = os.path.dirname(app)
                    places = {"{archive}": wine_path(self.demo_archive(base)),
                              "{dist}": wine_path(os.path.join(ARGS.build, "dist")),
                              "{game}": wine_path(self.small_game(base)),
                              "{medium}": wine_path(os.path.join(base, "medium"))}
                    runs = [[places.get(a, a) for a in run] for run in program.runs]
                    commands = [[wine_path(copy), *args] for args in runs]
                else:
                    commands = [[ARGS.driver, program.kind, wine_path(copy), wine_path(cwd)]]
                for command in commands:
                    done = wine(command, cwd)
                    self.assertEqual(self.markers(app, cwd), [], "planted DLLs were loaded")
                    self.assertEqual(done.returncode, 0, f"{command[1:]}: {output(done)}")
        self.assertGreaterEqual(ran, 2, "the setup and mvtzip at least")

    def test_zip_library_is_never_taken_from_the_current_folder(self):
        # mvtzip alone, its zip library missing beside it, and one of that name in the
        # current folder: the binding must fail to load rather than take that one.
        app, cwd = self.folders("ziplib_in_current_folder")
        mvtzip = shutil.copy(os.path.join(ARGS.build, "bin", "mvtzip.exe"), app)
        shutil.copy(os.path.join(ARGS.planted, "ziplib", "ZipLib179.dll"), cwd)
        archive = wine_path(self.demo_archive(os.path.dirname(app)))
        done = wine([wine_path(mvtzip), "test", archive], cwd)
        self.assertEqual(self.markers(app, cwd), [], "the zip library came from the current folder")
        self.assertIn("message\t10650\t", output(done))
        self.assertNotEqual(done.returncode, 0)


if __name__ == "__main__":
    unittest.main(verbosity=2)
