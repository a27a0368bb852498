"""Shared pieces of the benchmarks: whole-process timing, interleaved rounds, a RAM disk.

Every program is timed the same way: wall time of the whole process (Wine's start-up
included) with its output sent to a file, and its peak resident memory as the system
counts it for that process (wait4). Rounds run the programs in alternating order, so that
a change in the machine's load or a write-back burst hits every side alike, and each figure
is the median of the rounds. Figures are printed with a decimal point whatever the locale.
"""
import contextlib
import os
import shutil
import statistics
import subprocess
import sys
import time


class Measured:
    def __init__(self, seconds, peak_mb, code, log):
        self.seconds, self.peak_mb, self.code, self.log = seconds, peak_mb, code, log


def measure(command, log_path, env=None):
    """Runs one process to its end with stdout and stderr in `log_path`."""
    with open(log_path, "wb") as log:
        started = time.monotonic()
        process = subprocess.Popen(command, stdout=log, stderr=subprocess.STDOUT,
                                   stdin=subprocess.DEVNULL, env=env)
        _, status, usage = os.wait4(process.pid, 0)
        seconds = time.monotonic() - started
    process.returncode = os.waitstatus_to_exitcode(status)
    with open(log_path, "rb") as log:
        text = log.read().decode("cp1251", "replace").replace("\r\n", "\n")
    return Measured(seconds, usage.ru_maxrss / 1024.0, process.returncode, text)


def interleaved(programs, rounds, prepare=lambda: None, check=lambda name, m: None):
    """Runs every program once per round, the order reversed every other round.

    `programs` maps a name to a command; `prepare` runs before every process (a fresh
    output folder); `check` may raise when a run went wrong. Returns, per name, the list of
    Measured in round order.
    """
    names = list(programs)
    results = {name: [] for name in names}
    for round_number in range(rounds):
        order = names if round_number % 2 == 0 else list(reversed(names))
        for name in order:
            prepare()
            log = os.path.join(LOG_DIR, f"{name}.log")
            m = measure(programs[name], log)
            check(name, m)
            results[name].append(m)
    return results


def median_seconds(runs):
    return statistics.median(m.seconds for m in runs)


def peak_mb(runs):
    return max(m.peak_mb for m in runs)


LOG_DIR = os.environ.get("TMPDIR", "/tmp")


def set_log_dir(path):
    global LOG_DIR
    os.makedirs(path, exist_ok=True)
    LOG_DIR = path


@contextlib.contextmanager
def ram_disk(path, size):
    """A tmpfs mounted at `path` for the block; unmounted again however the block ends."""
    os.makedirs(path, exist_ok=True)
    subprocess.run(["mount", "-t", "tmpfs", "-o", f"size={size}", "tmpfs", path], check=True)
    try:
        yield path
    finally:
        subprocess.run(["umount", "-l", path], check=False)


@contextlib.contextmanager
def desktop_held(run, holder):
    """Keeps the prefix's desktop open for the block (see desktop_holder.cpp), so that every
    timed program finds it there, as on Windows."""
    process = subprocess.Popen([run, holder], stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    try:
        time.sleep(1.0)  # the desktop process is up well within this
        yield
    finally:
        process.stdin.close()
        try:
            process.wait(timeout=30)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def fresh_folder(path):
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)


def winpath(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def fail(message):
    print(message, file=sys.stderr)
    sys.exit(1)
