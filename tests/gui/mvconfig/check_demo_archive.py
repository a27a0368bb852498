#!/usr/bin/env python3
"""Checks the demo distribution: Main.zip carries the built MVConfig.exe byte for byte, and
FullSize in MVTSetup.ini is what the progress display counts for the listed archives: the
entry sizes plus each archive's number of entries (its directory read's last report).

    check_demo_archive.py DIST_DIR MVCONFIG_EXE
"""
import configparser
import os
import sys
import zipfile


def main():
    dist, program = sys.argv[1], sys.argv[2]
    with open(program, "rb") as built:
        expected = built.read()
    with zipfile.ZipFile(os.path.join(dist, "Archives", "Main.zip")) as archive:
        shipped = archive.read("MVConfig.exe")
    if shipped != expected:
        sys.exit(f"Main.zip holds {len(shipped)} bytes of MVConfig.exe, the build {len(expected)}")
    if not shipped.startswith(b"MZ"):
        sys.exit("MVConfig.exe in Main.zip is no program")

    setup = configparser.ConfigParser()
    setup.read(os.path.join(dist, "MVTSetup.ini"), encoding="cp1251")
    total = 0
    for key, name in setup["Files"].items():
        with zipfile.ZipFile(os.path.join(dist, "Archives", *name.split("\\"))) as archive:
            entries = archive.infolist()
            total += sum(info.file_size for info in entries) + len(entries)
    if int(setup["Setup"]["FullSize"]) != total:
        sys.exit(f"FullSize {setup['Setup']['FullSize']} differs from the archives' {total}")
    print(f"Main.zip carries MVConfig.exe ({len(shipped)} bytes); FullSize {total}")


if __name__ == "__main__":
    main()
