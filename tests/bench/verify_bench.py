#!/usr/bin/env python3
"""Verify benchmark: a medium packed by mvtpack from the demo game tree with 640 MB of
incompressible data files added, installed by the real MVTSetup.exe on a RAM disk (medium
and installation both there). Then, rounds interleaved, median of five, whole processes
under the same Wine with the desktop held: `MVTSetup.exe /VERYSILENT /VERIFY` against
verify_baseline.exe, the bare loop that reads the same installed files once and computes
their CRC-32. The ratio is what the check costs beyond reading.

Then a repair of K deleted files of 4 MB: what the process read (the system's count of bytes
read, /proc/PID/io, sampled until it ends) against a check's; the difference, with the K files
its own check found missing and did not read, is what the repair read from the medium, held
against the K entries' size and the archive's.

    verify_bench.py BUILD_DIR [--rounds N]
"""
import argparse
import os
import random
import shutil
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bench_rounds as b  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
RUN = os.path.join(ROOT, "tools", "wine-run")
DATA_FILES, DATA_SIZE, REPAIRED = 160, 4 << 20, 3


def game_tree(work, bin_dir):
    """The demo game tree with the data files added, made once."""
    game = os.path.join(work, "game")
    if os.path.exists(os.path.join(game, ".complete")):
        return game
    shutil.rmtree(game, ignore_errors=True)
    subprocess.run([sys.executable, os.path.join(ROOT, "demo", "make_game_tree.py"), game,
                    "--config-program", os.path.join(bin_dir, "mvtzip.exe")], check=True,
                   stdout=subprocess.DEVNULL)
    rng = random.Random(3)
    for n in range(DATA_FILES):
        with open(os.path.join(game, "Data", f"bench{n:03}.bif"), "wb") as f:
            f.write(rng.randbytes(DATA_SIZE))
    open(os.path.join(game, ".complete"), "w").close()
    return game


def bytes_read(command, log_path):
    """Runs a process to its end; its exit code and the bytes it read as the system counts
    them (rchar), sampled every few milliseconds while it runs."""
    with open(log_path, "wb") as log:
        process = subprocess.Popen(command, stdout=log, stderr=subprocess.STDOUT,
                                   stdin=subprocess.DEVNULL)
        read = 0
        while process.poll() is None:
            try:
                with open(f"/proc/{process.pid}/io") as io:
                    for line in io:
                        if line.startswith("rchar:"):
                            read = max(read, int(line.split()[1]))
            except OSError:
                pass
            time.sleep(0.002)
    return process.returncode, read


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--rounds", type=int, default=5)
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    bin_dir, work = b.bench_folders(build, "verify", (
        "verify_baseline.exe", "mvtpack.exe", "mvtzip.exe", "unregmvt.exe", "desktop_holder.exe"))
    game = game_tree(work, bin_dir)
    ram = os.path.join(work, "ram")
    medium, installed = os.path.join(ram, "medium"), os.path.join(ram, "installed")
    setup = os.path.join(medium, "MVTSetup.exe")
    with b.ram_disk(ram, "1700m"), b.desktop_held(RUN, os.path.join(bin_dir, "desktop_holder.exe")):
        subprocess.run([RUN, os.path.join(bin_dir, "mvtpack.exe"), "--setup",
                        b.winpath(os.path.join(build, "dist")), "--uninstaller",
                        b.winpath(os.path.join(bin_dir, "unregmvt.exe")), b.winpath(game),
                        b.winpath(medium)], check=True, stdout=subprocess.DEVNULL)
        where = "/DIR=" + b.winpath(installed)
        m = b.measure([RUN, setup, "/VERYSILENT", "/NOICONS", "/NODESKTOP", where],
                      os.path.join(b.LOG_DIR, "install.log"))
        if m.code != 0:
            b.fail(f"verify_bench: the installation failed (exit {m.code})")
        try:
            sides = {"verify": [RUN, setup, "/VERYSILENT", "/VERIFY", where],
                     "bare loop": [RUN, os.path.join(bin_dir, "verify_baseline.exe"),
                                   b.winpath(installed)]}

            def check(side, m):
                if m.code != 0:
                    b.fail(f"verify_bench: {side} failed (exit {m.code})\n{m.log[-2000:]}")

            results = b.interleaved(sides, args.rounds, check=check)
            files = sum(len(f) for _, _, f in os.walk(installed))
            total = sum(os.path.getsize(os.path.join(top, name))
                        for top, _, names in os.walk(installed) for name in names)
            print(f"verify benchmark: {files} installed files, {total / 1048576:.0f} MB, "
                  f"medium and installation on a RAM disk; whole processes under the same "
                  f"Wine, desktop held, median of {args.rounds} rounds in alternating order")
            for side, runs in results.items():
                times = " ".join(f"{m.seconds:.2f}" for m in runs)
                print(f"      {side:10} {b.median_seconds(runs):7.2f} s  (rounds {times})  "
                      f"peak {b.peak_mb(runs):5.1f} MB")
            ratio = b.median_seconds(results["verify"]) / b.median_seconds(results["bare loop"])
            best = min(m.seconds for m in results["verify"]) / min(
                m.seconds for m in results["bare loop"])
            print(f"verify / bare read and CRC-32 loop: {ratio:.2f}x (target <= 1.30; "
                  f"fastest rounds {best:.2f}x)")

            code, checked = bytes_read(sides["verify"], os.path.join(b.LOG_DIR, "verify-io.log"))
            data = sorted(os.path.join(top, name) for top, _, names in os.walk(installed)
                          for name in names if name.startswith("bench"))
            damaged = data[::len(data) // REPAIRED][:REPAIRED]
            for path in damaged:
                os.remove(path)
            log = os.path.join(work, "repair-log.txt")
            code, repaired = bytes_read([RUN, setup, "/VERYSILENT", "/REPAIR", where,
                                         "/LOG=" + b.winpath(log)],
                                        os.path.join(b.LOG_DIR, "repair-io.log"))
            if code != 0 or not all(os.path.getsize(p) == DATA_SIZE for p in damaged):
                b.fail(f"verify_bench: the repair failed (exit {code}), see {log}")
            archives = [os.path.join(top, name) for top, _, names in
                        os.walk(os.path.join(medium, "Archives")) for name in names
                        if name.lower().startswith("data")]
            archive_mb = sum(os.path.getsize(a) for a in archives) / 1048576
            # The repair's check reads every installed file but the missing ones.
            entries = REPAIRED * DATA_SIZE / 1048576
            extra = (repaired - checked) / 1048576 + entries
            print(f"repair of {REPAIRED} files: read {repaired / 1048576:.1f} MB, a check alone "
                  f"{checked / 1048576:.1f} MB; so from the medium {extra:.1f} MB for entries of "
                  f"{entries:.0f} MB in a data archive of {archive_mb:.0f} MB "
                  f"(target: the entries' size, not the archive's; {extra / entries:.2f}x the entries)")
        finally:
            subprocess.run([RUN, os.path.join(installed, "unregmvt.exe"), "/VERYSILENT"],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            time.sleep(2)  # the uninstaller's copy removes the folder once it has ended


if __name__ == "__main__":
    main()
