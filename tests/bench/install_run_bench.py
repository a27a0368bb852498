#!/usr/bin/env python3
"""Installation run benchmark: the run unpacks a medium in the real progress screen
(install_bench.exe), against `mvtzip extract` of the same archives, on two media: one
archive holding a 1 GB film, and the demo medium (the build's dist folder, every listed
archive). Both sides run as whole processes under the same Wine, medium and output on a RAM
disk, the desktop held open, rounds interleaved in alternating order, median of five. The
ratio set against its target is the run's own timer (its unpacking, the program's figure)
against the whole mvtzip processes (one per archive); the longest gap between two points
where the run's windows are serviced is printed beside it, from rounds of its own (the gap
meter's messages are not the program's).

Then what undoing costs: the run unpacks an archive of 4000 small files in 40 folders and,
left before its records, undoes itself; its undo time is held against deleting the same
files the way the uninstaller does (install_bench.exe --delete, after `mvtzip extract`).
Once more over an earlier copy of every file, which the run moves aside and puts back.

    install_run_bench.py BUILD_DIR [--rounds N] [--part unpack|undo]
"""
import argparse
import os
import random
import re
import shutil
import statistics
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bench_rounds as b  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
RUN = os.path.join(ROOT, "tools", "wine-run")
SIZE = 1024 * 1048576
GAP_ROUNDS = 3


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


def small_files_archive(work):
    path = os.path.join(work, "Data.zip")
    if os.path.exists(path):
        return path
    payload = os.path.join(work, "small")
    rng = random.Random(2)
    for folder in range(40):
        os.makedirs(os.path.join(payload, f"area{folder:02}"), exist_ok=True)
        for n in range(100):
            with open(os.path.join(payload, f"area{folder:02}", f"part{n:03}.bin"), "wb") as f:
                f.write(rng.randbytes(2048))
    subprocess.run(["zip", "-q", "-r", "-1", path + ".part", "."], cwd=payload, check=True)
    os.rename(path + ".part", path)
    shutil.rmtree(payload)
    return path


def figure(log, name):
    found = re.search(rf"^{name} ([0-9.]+)", log, re.M)
    return float(found.group(1)) if found else float("nan")


def run_medium(name, description, medium, archives, bin_dir, out, rounds):
    """Times the run over `medium` (install_bench.exe beside its MVTSetup.ini) against one
    mvtzip process per archive of `archives` (name, destination below the output)."""
    mvtzip = os.path.join(bin_dir, "mvtzip.exe")
    sides = {"install run": [RUN, os.path.join(medium, "install_bench.exe"), b.winpath(out),
                             b.winpath(bin_dir)],
             "mvtzip": [sys.executable, __file__, "--mvtzip-each", mvtzip, b.winpath(out)]
                       + [f"{b.winpath(path)}|{folder}" for path, folder in archives]}
    expected = None

    def check(side, m):
        # Both sides unpack the same files: mvtzip leaves them there, the run counts what it
        # unpacked before it undoes it.
        if side == "install run":
            made = (figure(m.log, "unpacked_files"), figure(m.log, "unpacked_bytes"))
        else:
            sizes = [os.path.getsize(os.path.join(top, f))
                     for top, _, files in os.walk(out) for f in files]
            made = (len(sizes), sum(sizes))
        nonlocal expected
        expected = expected or made
        if m.code != 0 or not made[0] or made != expected:
            b.fail(f"install_run_bench: {side} on {name}: exit {m.code}, {made[0]:.0f} files "
                   f"of {made[1]:.0f} bytes, not those of the other side\n{m.log[-2000:]}")

    results = b.interleaved(sides, rounds, lambda: b.fresh_folder(out), check)
    print(f"{name}: {description}")
    for side, runs in results.items():
        times = " ".join(f"{m.seconds:.2f}" for m in runs)
        print(f"      {side:12} {b.median_seconds(runs):7.2f} s  (rounds {times})  "
              f"peak {b.peak_mb(runs):5.1f} MB")
    runs = results["install run"]
    own = [figure(m.log, "seconds") for m in runs]
    print("      the run's own timer (unpacking only): "
          + " ".join(f"{s:.2f}" for s in own) + " s; final percent "
          + ", ".join(re.findall(r"^percent (.*)$", runs[-1].log, re.M)))
    handler = statistics.median(figure(m.log, "handler_seconds") for m in runs)
    print(f"      of which in the progress screen's handler {handler:.2f} s "
          f"({figure(runs[-1].log, 'reports'):.0f} reports)")
    ratio = statistics.median(own) / b.median_seconds(results["mvtzip"])
    print(f"{name}: install run's unpacking / mvtzip extract: {ratio:.2f}x (target <= 1.10)")
    # The gap meter posts a message every millisecond, which the timed rounds would pay for:
    # it runs in rounds of its own.
    gaps = []
    for _ in range(GAP_ROUNDS):
        b.fresh_folder(out)
        m = b.measure(sides["install run"] + ["--gaps"], os.path.join(b.LOG_DIR, "gaps.log"))
        check("install run", m)
        gaps.append(figure(m.log, "longest_gap_ms"))
    print(f"{name}: longest gap between serviced messages {max(gaps):.1f} ms "
          f"(worst of {GAP_ROUNDS} rounds with the gap meter, while unpacking; target < 50)")


def undo_part(args, bin_dir, work, ram):
    medium, out = os.path.join(ram, "medium"), os.path.join(ram, "out")
    os.makedirs(os.path.join(medium, "Archives"))
    archive = os.path.join(medium, "Archives", "Data.zip")
    shutil.copy(small_files_archive(work), archive)
    shutil.copy(os.path.join(bin_dir, "install-bench", "install_bench.exe"), medium)
    with open(os.path.join(medium, "MVTSetup.ini"), "w", newline="") as f:
        f.write("[Setup]\r\nFullSize=8200000\r\n[Files]\r\nFile0=Data.zip\r\n")
    bench = os.path.join(medium, "install_bench.exe")
    data = os.path.join(out, "data")
    earlier = os.path.join(ram, "earlier")
    b.fresh_folder(earlier)
    subprocess.run([RUN, os.path.join(bin_dir, "mvtzip.exe"), "extract", b.winpath(archive),
                    b.winpath(earlier)], check=True, stdout=subprocess.DEVNULL)

    def extracted():
        b.fresh_folder(out)
        shutil.copytree(earlier, data)

    rows = {"fresh": [], "over earlier": [], "delete": []}
    for _ in range(args.rounds):
        b.fresh_folder(out)
        rows["fresh"].append(b.measure([RUN, bench, b.winpath(out), b.winpath(bin_dir),
                                        "--gaps"], os.path.join(b.LOG_DIR, "undo-fresh.log")))
        extracted()
        rows["over earlier"].append(b.measure([RUN, bench, b.winpath(out), b.winpath(bin_dir)],
                                              os.path.join(b.LOG_DIR, "undo-earlier.log")))
        if sorted(os.listdir(data)) != sorted(os.listdir(earlier)):
            b.fail("install_run_bench: undoing over an earlier copy did not put it back")
        extracted()
        rows["delete"].append(b.measure([RUN, bench, "--delete", b.winpath(data)],
                                        os.path.join(b.LOG_DIR, "undo-delete.log")))
    for name, runs in rows.items():
        for m in runs:
            if m.code != 0 or (name != "delete" and figure(m.log, "undone") != 1):
                b.fail(f"install_run_bench: {name} went wrong (exit {m.code})\n{m.log[-2000:]}")
    med = lambda name, key: statistics.median(figure(m.log, key) for m in rows[name])
    files = figure(rows["fresh"][0].log, "unpacked_files")
    print(f"undo benchmark: {files:.0f} files of 2 KB in 40 folders, median of {args.rounds} "
          "rounds, the programs' own timers")
    print(f"      unpacked fresh        {med('fresh', 'seconds'):7.3f} s, "
          f"undone {med('fresh', 'undo_seconds'):7.3f} s")
    print(f"      over an earlier copy  {med('over earlier', 'seconds'):7.3f} s (every file "
          f"moved aside first), undone {med('over earlier', 'undo_seconds'):7.3f} s (put back)")
    print(f"      deleted as the uninstaller deletes {med('delete', 'delete_seconds'):7.3f} s")
    gap = max(figure(m.log, "undo_longest_gap_ms") for m in rows["fresh"])
    print(f"      longest gap between serviced messages while undoing {gap:.1f} ms")
    ratio = med("fresh", "undo_seconds") / med("delete", "delete_seconds")
    print(f"undo / deleting what was written: {ratio:.2f}x (target <= 1.20)")


def mvtzip_each(args):
    """The mvtzip side of the demo medium: one whole mvtzip process per archive, in turn,
    each into its destination below OUT."""
    mvtzip, out = args[0], args[1]
    for item in args[2:]:
        archive, folder = item.split("|")
        destination = out + ("\\" + folder if folder else "")
        done = subprocess.run([RUN, mvtzip, "extract", archive, destination])
        if done.returncode != 0:
            sys.exit(done.returncode)


def demo_medium(dist, medium):
    """A copy of the demo medium; its listed archives with the folder the run unpacks each
    into (the setup's rules, lower-cased as the run's folders are named)."""
    shutil.copytree(os.path.join(dist, "Archives"), os.path.join(medium, "Archives"))
    shutil.copy(os.path.join(dist, "MVTSetup.ini"), medium)
    with open(os.path.join(dist, "MVTSetup.ini"), encoding="cp1251") as f:
        names = [line.split("=", 1)[1].strip() for line in f if line.startswith("File")]
    rules = ["data", "override", "characters", "ereg", "mplayer", "music", "portraits", "save",
             "cache", "script compiler", "scripts", "sounds", "temp", "tempsave", "movies"]
    archives = []
    for name in names:
        lowered = "".join(c.lower() if "A" <= c <= "Z" else c for c in name)
        folder = ""
        for rule in rules:
            if rule in lowered:
                folder = "eReg" if rule == "ereg" else rule
        archives.append((os.path.join(medium, "Archives", *name.split("\\")), folder))
    return archives


def unpack_part(args, bin_dir, work, ram):
    print("install run benchmark: whole processes under the same Wine, RAM disk, desktop held, "
          f"median of {args.rounds} rounds in alternating order")
    out = os.path.join(ram, "out")
    film = os.path.join(ram, "film")
    os.makedirs(os.path.join(film, "Archives"))
    archive = os.path.join(film, "Archives", "Movies.zip")
    shutil.copy(film_archive(work), archive)
    with open(os.path.join(film, "MVTSetup.ini"), "w", newline="") as f:
        f.write(f"[Setup]\r\nFullSize={SIZE + 1}\r\n[Files]\r\nFile0=Movies.zip\r\n")
    demo = os.path.join(ram, "demo")
    demo_archives = demo_medium(os.path.join(args.build, "dist"), demo)
    for medium in (film, demo):
        shutil.copy(os.path.join(bin_dir, "install-bench", "install_bench.exe"), medium)
    run_medium("film", "1 GB in one entry", film, [(archive, "movies")], bin_dir, out,
               args.rounds)
    run_medium("demo", "the demo medium, every listed archive", demo, demo_archives,
               bin_dir, out, args.rounds)
    for medium in (film, demo):
        shutil.rmtree(medium)

def main():
    if len(sys.argv) > 1 and sys.argv[1] == "--mvtzip-each":
        return mvtzip_each(sys.argv[2:])
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--part", choices=["all", "unpack", "undo"], default="all")
    args = parser.parse_args()
    args.build = os.path.abspath(args.build)
    bin_dir, work = b.bench_folders(args.build, "install", (
        "install-bench/install_bench.exe", "mvtzip.exe", "ZipLib179.dll", "desktop_holder.exe"))
    ram = os.path.join(work, "ram")
    holder = os.path.join(bin_dir, "desktop_holder.exe")
    with b.ram_disk(ram, "2500m"), b.desktop_held(RUN, holder):
        if args.part in ("all", "unpack"):
            unpack_part(args, bin_dir, work, ram)
        if args.part in ("all", "undo"):
            undo_part(args, bin_dir, work, ram)


if __name__ == "__main__":
    main()
