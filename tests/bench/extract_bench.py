#!/usr/bin/env python3
"""Extraction benchmark: `mvtzip extract` (the zip component and ZipLib179.dll) against the
bare loop (central directory, raw inflate, CreateFile/WriteFile/SetFileTime/CloseHandle per
entry, one thread), on four archives: 1 GB in one entry, about 600 MB of real files that
inflate slowly (the machine's own compiler libraries and message catalogues), about 300 MB in
three files, and 20,000 files of about 2 KB in 200 folders. Archives and output lie on a RAM
disk; both sides are timed as whole processes, rounds interleaved in alternating order, median
of five; the prefix's desktop is held open meanwhile, as a Windows session has it. Then the
peak memory on the Zip64 archives of the zip tests: 70,000 entries, 4.5 GiB in one entry.

    extract_bench.py BUILD_DIR [--before FOLDER] [--rounds N] [--sets huge,real,large,small]

--before adds the mvtzip.exe (with its ZipLib179.dll) of FOLDER as a further side, named
after the folder, for figures before and after a change in the same run. Figures only: nothing fails on speed.
"""
import argparse
import os
import random
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bench_rounds as b  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
RUN = os.path.join(ROOT, "tools", "wine-run")

# name, description, time target against the bare loop
SETS = [("huge", "1 GB in one entry (zip -1)", 1.05),
        ("real", "600 MB of compiler libraries and message catalogues", 0.80),
        ("large", "300 MB in 3 files", 1.10),
        ("small", "20,000 files of 2 KB in 200 folders", 1.10)]

# Where the real files come from: packages every machine of the project has (the compilers,
# and the message catalogues of whatever is installed), taken in name order up to REAL_BYTES.
REAL_SOURCES = ["/usr/share/locale", "/usr/lib/gcc", "/usr/x86_64-w64-mingw32/lib",
                "/usr/lib/llvm-14/lib"]
REAL_BYTES = 600 << 20


def make_huge(payload, archive):
    os.makedirs(payload, exist_ok=True)
    rng = random.Random(1)
    block = rng.randbytes(1 << 20)
    with open(os.path.join(payload, "film.mve"), "wb") as f:
        for i in range(1024):  # packed video: mostly noise, a little repetition
            f.write(block[i % 7 * 4096:] + block[:i % 7 * 4096])
    subprocess.run(["zip", "-q", "-1", archive, "film.mve"], cwd=payload, check=True)


def make_large(payload, archive):
    rng = random.Random(2026)
    folder = os.path.join(payload, "Data")
    os.makedirs(folder)
    for name, mb in (("textures.pak", 140), ("sounds.pak", 100), ("video.pak", 60)):
        with open(os.path.join(folder, name), "wb") as f:
            pattern = rng.randbytes(4096) * 16
            for _ in range(mb * 8):  # 128 KiB blocks: half noise, half repetition
                f.write(rng.randbytes(65536))
                f.write(pattern)
    subprocess.run(["zip", "-qr", archive, "."], cwd=payload, check=True)


def make_real(payload, archive):
    """Real files as they are, no generated data: the payload folder is not used."""
    chosen, total = [], 0
    for source in REAL_SOURCES:
        for base, dirs, files in os.walk(source):
            dirs.sort()
            for name in sorted(files):
                path = os.path.join(base, name)
                if os.path.islink(path) or not os.path.isfile(path):
                    continue
                chosen.append(os.path.relpath(path, "/"))
                total += os.path.getsize(path)
                if total >= REAL_BYTES:
                    break
            if total >= REAL_BYTES:
                break
        if total >= REAL_BYTES:
            break
    subprocess.run(["zip", "-q", "-@", archive], cwd="/", check=True,
                   input="\n".join(chosen).encode())


def make_small(payload, archive):
    rng = random.Random(2026)
    words = ["".join(rng.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 9)))
             for _ in range(2000)]
    for i in range(20000):
        folder = os.path.join(payload, "Scripts", "Area%02d" % (i // 1000),
                              "Zone%02d" % (i // 100 % 10))
        if i % 100 == 0:
            os.makedirs(folder)
        with open(os.path.join(folder, "obj%05d.scr" % i), "w") as f:
            f.write(" ".join(rng.choice(words) for _ in range(330))[:2048])
    subprocess.run(["zip", "-qr", archive, "."], cwd=payload, check=True)


def archives(work):
    """The three archives, made once and kept in the build folder."""
    makers = {"huge": make_huge, "real": make_real, "large": make_large, "small": make_small}
    paths = {}
    for name, _, _ in SETS:
        path = os.path.join(work, name + ".zip")
        if not os.path.exists(path):
            print(f"making {path}", file=sys.stderr)
            payload = os.path.join(work, "payload-" + name)
            shutil.rmtree(payload, ignore_errors=True)
            os.makedirs(payload)
            makers[name](payload, path + ".part")
            os.rename(path + ".part", path)
            shutil.rmtree(payload)
        paths[name] = path
    return paths


def count_files(folder):
    return sum(len(files) for _, _, files in os.walk(folder))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--before", action="append", default=[],
                        help="folder with an earlier mvtzip.exe and ZipLib179.dll (repeatable)")
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--sets", default=",".join(s[0] for s in SETS),
                        help="which archives, comma-separated (huge, real, large, small)")
    args = parser.parse_args()
    args.build = os.path.abspath(args.build)
    bin_dir, work = b.bench_folders(args.build, "extract", (
        "extract_baseline.exe", "mvtzip.exe", "ZipLib179.dll", "desktop_holder.exe"))
    sources = archives(work)

    ram = os.path.join(work, "ram")
    holder = os.path.join(bin_dir, "desktop_holder.exe")
    with b.ram_disk(ram, "3g"), b.desktop_held(RUN, holder):
        out = os.path.join(ram, "out")
        print("extract benchmark: whole processes under the same Wine, archives and output on a "
              f"RAM disk, desktop held, median of {args.rounds} rounds in alternating order")
        for name, description, target in SETS:
            if name not in args.sets.split(","):
                continue
            archive = os.path.join(ram, name + ".zip")
            shutil.copy(sources[name], archive)
            names = subprocess.run(["unzip", "-Z1", archive], capture_output=True, text=True,
                                   check=True).stdout.splitlines()
            expected = sum(not n.endswith("/") for n in names)
            sides = {"bare loop": [RUN, os.path.join(bin_dir, "extract_baseline.exe"),
                                   b.winpath(archive), b.winpath(out)],
                     "mvtzip": [RUN, os.path.join(bin_dir, "mvtzip.exe"), "extract",
                                b.winpath(archive), b.winpath(out)]}
            for folder in args.before:
                sides["mvtzip " + os.path.basename(os.path.normpath(folder))] = [
                    RUN, os.path.join(folder, "mvtzip.exe"), "extract", b.winpath(archive),
                    b.winpath(out)]

            def check(side, m):
                made = count_files(out)
                if m.code != 0 or made != expected:
                    b.fail(f"extract_bench: {side} on {name}: exit {m.code}, {made} of "
                           f"{expected} files\n{m.log[-2000:]}")

            results = b.interleaved(sides, args.rounds, lambda: b.fresh_folder(out), check)
            shutil.rmtree(out, ignore_errors=True)
            os.remove(archive)
            bare = b.median_seconds(results["bare loop"])
            print(f"{name:5} {description}")
            for side, runs in results.items():
                times = " ".join(f"{m.seconds:.2f}" for m in runs)
                print(f"      {side:14} {b.median_seconds(runs):7.2f} s  (rounds {times})  "
                      f"peak {b.peak_mb(runs):5.1f} MB")
            for side in results:
                if side == "bare loop":
                    continue
                ratio = b.median_seconds(results[side]) / bare
                print(f"      {name}: {side} / bare loop {ratio:.2f} (target <= {target:.2f})")
            peak = b.peak_mb(results["mvtzip"])
            print(f"      {name}: mvtzip peak memory {peak:.1f} MB (target < 64)")
        memory(args.build, bin_dir, ram)


def memory(build, bin_dir, ram):
    """The peak memory of mvtzip on the Zip64 archives the zip tests made with Python: every
    one of 70,000 entries extracted, and the 4.5 GiB entry of zeros tested (decoded whole,
    written nowhere: it would not fit the RAM disk). One run each; figures only."""
    fixtures = os.path.join(build, "cross", "tests", "unit", "zip", "fixtures")
    mvtzip = os.path.join(bin_dir, "mvtzip.exe")
    out = os.path.join(ram, "out")
    for name, command in (("70,000 entries", ["extract", "zip64_many.zip", out]),
                          ("4.5 GiB in one entry", ["test", "zip64_zeros.zip"])):
        archive = os.path.join(fixtures, command[1])
        if not os.path.exists(archive):
            print(f"memory: {archive} is missing; build the tests first")
            continue
        b.fresh_folder(out)
        m = b.measure([RUN, mvtzip, command[0], b.winpath(archive)]
                      + [b.winpath(p) for p in command[2:]], os.path.join(b.LOG_DIR, "memory.log"))
        made = count_files(out)
        print(f"memory: {name}: mvtzip {command[0]} {m.seconds:.1f} s, exit {m.code}, "
              f"{made} files, peak memory {m.peak_mb:.1f} MB (target < 64)")
        shutil.rmtree(out, ignore_errors=True)


if __name__ == "__main__":
    main()
