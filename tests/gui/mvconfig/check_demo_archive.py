#!/usr/bin/env python3
"""Checks the demo distribution: Main.zip carries the built MVConfig.exe byte for byte. (The
medium's FullSize is checked against a real installation run by the packer's tests.)

    check_demo_archive.py DIST_DIR MVCONFIG_EXE
"""
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

    print(f"Main.zip carries MVConfig.exe ({len(shipped)} bytes)")


if __name__ == "__main__":
    main()
