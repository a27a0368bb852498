#!/usr/bin/env python3
"""Installation run benchmark: the run unpacks one archive holding a 1 GB file in the real
progress screen (install_bench.exe), against `mvtzip extract` of the same archive. Both are
timed as whole processes under the same Wine, medium and output on a RAM disk, the desktop
held open, rounds interleaved in alternating order, median of three; the ratio is the screen's overhead. The
run's own timer and the longest gap between two points where its windows are serviced (the
program's figures) are printed beside them.

    install_run_bench.py BUILD_DIR [--rounds N]
"""
import argparse
import os
import random
import re
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bench_rounds as b  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
RUN = os.path.join(ROOT, "tools", "wine-run")
SIZE = 1024 * 1048576


def film_archive(work):
    path = os.path.join(work, "Movies.zip")
    if os.path.exists(path):
        return path
    print(f"making a 1 GB film archive in {work}", file=sys.stderr)
    payload = os.path.join(work, "payload")
    os.makedirs(payload, exist_ok=True)
    rng = random.Random(1)
    block = rng.randbytes(1 << 20)
    with open(os.path.join(payload, "film.mve"), "wb") as f:
        for i in range(1024):  # packed video: mostly noise, a little repetition
            f.write(block[i % 7 * 4096:] + block[:i % 7 * 4096])
    subprocess.run(["zip", "-q", "-1", path + ".part", "film.mve"], cwd=payload, check=True)
    os.rename(path + ".part", path)
    shutil.rmtree(payload)
    return path


def figure(log, name):
    found = re.search(rf"^{name} ([0-9.]+)", log, re.M)
    return float(found.group(1)) if found else float("nan")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--rounds", type=int, default=3)
    args = parser.parse_args()
    args.build = os.path.abspath(args.build)
    bin_dir = os.path.join(args.build, "bin")
    for f in ("install-bench/install_bench.exe", "mvtzip.exe", "ZipLib179.dll",
              "desktop_holder.exe"):
        if not os.path.exists(os.path.join(bin_dir, f)):
            b.fail(f"install_run_bench: {bin_dir}/{f} is missing; build first")
    work = os.path.join(args.build, "bench", "install")
    os.makedirs(work, exist_ok=True)
    source = film_archive(work)
    b.set_log_dir(os.path.join(work, "logs"))

    ram = os.path.join(work, "ram")
    holder = os.path.join(bin_dir, "desktop_holder.exe")
    with b.ram_disk(ram, "2500m"), b.desktop_held(RUN, holder):
        medium, out = os.path.join(ram, "medium"), os.path.join(ram, "out")
        os.makedirs(os.path.join(medium, "Archives"))
        archive = os.path.join(medium, "Archives", "Movies.zip")
        shutil.copy(source, archive)
        shutil.copy(os.path.join(bin_dir, "install-bench", "install_bench.exe"), medium)
        with open(os.path.join(medium, "MVTSetup.ini"), "w", newline="") as f:
            f.write(f"[Setup]\r\nFullSize={SIZE + 1}\r\n[Files]\r\nFile0=Movies.zip\r\n")
        sides = {"install run": [RUN, os.path.join(medium, "install_bench.exe"), b.winpath(out),
                                 b.winpath(bin_dir)],
                 "mvtzip": [RUN, os.path.join(bin_dir, "mvtzip.exe"), "extract",
                            b.winpath(archive), b.winpath(out)]}

        def check(side, m):
            # The run puts the archive into the folder its name picks ("movies").
            films = [os.path.join(top, "film.mve") for top, _, files in os.walk(out)
                     if "film.mve" in files]
            if m.code != 0 or len(films) != 1 or os.path.getsize(films[0]) != SIZE:
                b.fail(f"install_run_bench: {side} did not unpack the film (exit {m.code})\n"
                       f"{m.log[-2000:]}")

        results = b.interleaved(sides, args.rounds, lambda: b.fresh_folder(out), check)

    print("install run benchmark: 1 GB in one entry; whole processes under the same Wine, "
          f"RAM disk, desktop held, median of {args.rounds} rounds in alternating order")
    for side, runs in results.items():
        times = " ".join(f"{m.seconds:.2f}" for m in runs)
        print(f"      {side:12} {b.median_seconds(runs):7.2f} s  (rounds {times})  "
              f"peak {b.peak_mb(runs):5.1f} MB")
    runs = results["install run"]
    own = [figure(m.log, "seconds") for m in runs]
    gaps = [figure(m.log, "longest_gap_ms") for m in runs]
    print("      the run's own timer (unpacking only): "
          + " ".join(f"{s:.2f}" for s in own) + " s; final percent "
          + ", ".join(re.findall(r"^percent (.*)$", runs[-1].log, re.M)))
    ratio = b.median_seconds(runs) / b.median_seconds(results["mvtzip"])
    print(f"install run / mvtzip extract: {ratio:.2f}x (target <= 1.10)")
    print(f"install run: longest gap between serviced messages {max(gaps):.1f} ms "
          "(worst of the rounds; target < 50)")


if __name__ == "__main__":
    main()
