"""Runs one program and measures it from outside: wall time, CPU (user + system) and peak RSS.

CPU comes from the kernel's accounting of the child (os.wait4), so it covers the whole process
with all its threads. The peak RSS is the one GNU time reports for the program: the kernel counts
the memory of the process that forked and exec'd a program into its peak, so a program started
straight from this (large, Python) driver would show the driver's footprint; GNU time is small.
A watchdog thread kills the program when its resident memory passes a cap, so that a benchmark
never takes the shared machine down; such a run is reported as aborted. Also the statistics of
repeated runs (median, spread) and the machine's memory.
"""

import os
import signal
import statistics
import subprocess
import tempfile
import threading
import time

GNU_TIME = "/usr/bin/time"


class RunFailed(Exception):
    """A measured program exited with an error, or was killed by the memory watchdog."""


class Sample:
    """One measured run: wall and CPU seconds (and the system's share of the CPU), peak RSS in
    bytes, exit status."""

    def __init__(self, wall, cpu, peak_rss, status, system=0.0):
        self.wall = wall
        self.cpu = cpu
        self.peak_rss = peak_rss
        self.status = status
        self.system = system


def mem_info(field):
    """A field of /proc/meminfo (MemTotal, MemAvailable...) in bytes."""
    with open("/proc/meminfo") as f:
        for line in f:
            name, value = line.split(":", 1)
            if name == field:
                return int(value.split()[0]) * 1024
    raise KeyError(field)


def resident_bytes(pid):
    """The current resident memory of a process in bytes (0 when it is gone)."""
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1]) * 1024
    except OSError:
        pass
    return 0


def descendants(pid):
    """The processes below pid (children of all its threads, and theirs)."""
    found = []
    try:
        tasks = os.listdir("/proc/%d/task" % pid)
    except OSError:
        return found
    for task in tasks:
        try:
            with open("/proc/%d/task/%s/children" % (pid, task)) as f:
                children = [int(c) for c in f.read().split()]
        except OSError:
            continue
        for child in children:
            found += [child] + descendants(child)
    return found


class MemoryWatchdog:
    """Kills a process tree whose resident memory exceeds `cap` bytes; polls every `period` s."""

    def __init__(self, pid, cap, period=0.1):
        self.pid = pid
        self.cap = cap
        self.period = period
        self.tripped = False
        self._done = threading.Event()
        self._thread = threading.Thread(target=self._watch, daemon=True)

    def __enter__(self):
        if self.cap:
            self._thread.start()
        return self

    def __exit__(self, *exc):
        self._done.set()
        if self._thread.is_alive():
            self._thread.join()

    def _watch(self):
        while not self._done.wait(self.period):
            tree = [self.pid] + descendants(self.pid)
            if sum(resident_bytes(p) for p in tree) > self.cap and not self._done.is_set():
                self.tripped = True
                for p in reversed(tree):  # the program first, then GNU time
                    try:
                        os.kill(p, signal.SIGKILL)
                    except OSError:
                        pass
                return


def run_measured(argv, memory_cap=None, stdout=subprocess.DEVNULL, env=None):
    """Runs argv to its end and returns its Sample; raises RunFailed when it fails.

    The end of its standard error goes into the error.
    """
    if not os.access(GNU_TIME, os.X_OK):
        raise RunFailed("%s (Debian package time) is missing" % GNU_TIME)
    with tempfile.NamedTemporaryFile(prefix="bench-time.") as peak_file:
        started = time.monotonic()
        child = subprocess.Popen([GNU_TIME, "-f", "%M", "-o", peak_file.name, "--"] + argv,
                                 stdout=stdout, stderr=subprocess.PIPE, env=env)
        with MemoryWatchdog(child.pid, memory_cap) as watchdog:
            errors = _drain(child.stderr)
            _, status, usage = os.wait4(child.pid, 0)
        wall = time.monotonic() - started
        child.returncode = os.waitstatus_to_exitcode(status)  # reaped here, not by Popen
        errors.join()
        peak_kib = _last_number(peak_file.read().decode(errors="replace"))
    if watchdog.tripped:
        raise RunFailed("aborted: %s went over the memory cap of %s"
                        % (os.path.basename(argv[0]), gib(memory_cap)))
    if child.returncode != 0 or peak_kib is None:
        tail = errors.text[-1500:].strip()
        raise RunFailed("%s exited with %d%s" % (" ".join(argv), child.returncode,
                                                  (": " + tail) if tail else ""))
    return Sample(wall, usage.ru_utime + usage.ru_stime, peak_kib * 1024, child.returncode,
                  usage.ru_stime)


def _last_number(text):
    """The peak GNU time wrote: the last line (a note on the exit status may come before)."""
    lines = text.strip().splitlines()
    return int(lines[-1]) if lines and lines[-1].strip().isdigit() else None


class _Drain(threading.Thread):
    """Reads a pipe to its end in the background, so that the child never blocks on it."""

    def __init__(self, pipe):
        super().__init__(daemon=True)
        self.pipe = pipe
        self.text = ""

    def run(self):
        data = self.pipe.read()
        self.pipe.close()
        self.text = data.decode("utf-8", "replace")


def _drain(pipe):
    d = _Drain(pipe)
    d.start()
    return d


def gib(n):
    """Bytes as a short GiB or MiB text."""
    return "%.1f GiB" % (n / 2**30) if n >= 2**30 else "%.0f MiB" % (n / 2**20)


class Stat:
    """The median of repeated measurements and their spread (lowest, highest)."""

    def __init__(self, values):
        if not values:
            raise ValueError("no measurement")
        self.values = list(values)
        self.median = statistics.median(self.values)
        self.low = min(self.values)
        self.high = max(self.values)

    def __float__(self):
        return float(self.median)


def repeat(times, run_once):
    """Calls run_once() `times` times and returns the Samples."""
    return [run_once() for _ in range(times)]


def summarize(samples):
    """Stats of wall, CPU and peak RSS over Samples: (wall, cpu, peak_rss)."""
    return (Stat([s.wall for s in samples]), Stat([s.cpu for s in samples]),
            Stat([s.peak_rss for s in samples]))
