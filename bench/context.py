"""What every benchmark shares: the program, the scratch directory, the repeats, the memory
limits of this machine, and progress messages."""

import os
import sys

import measure


def log(message):
    """A progress line on standard error."""
    print("bench: " + message, file=sys.stderr, flush=True)


class Context:
    """The settings of one benchmark run."""

    def __init__(self, program, workdir, repeats, memory_cap, memory_share, max_repetitions):
        self.program = program
        self.workdir = workdir
        self.repeats = repeats
        self.memory_cap = memory_cap  # share of the machine's memory a measured run may hold
        self.memory_share = memory_share  # of the machine's memory, see too_big_after
        self.max_repetitions = max_repetitions  # whether the program takes -Cr

    def log(self, message):
        log(message)

    def path(self, *parts):
        path = os.path.join(self.workdir, *parts)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        return path

    def cap_bytes(self):
        """What a run starting now may hold: the cap's share of the machine, within what is
        free now less 1 GiB (the machine is shared)."""
        return int(min(self.memory_cap * measure.mem_info("MemTotal"),
                       measure.mem_info("MemAvailable") - 2**30))

    def measure(self, argv, **kwargs):
        """One measured run of argv, killed above cap_bytes()."""
        return measure.run_measured(argv, memory_cap=self.cap_bytes(), **kwargs)

    def too_big_after(self, peak_rss):
        """Why the next, bigger size must not run after one that peaked at peak_rss bytes
        (None when it may run)."""
        limit = self.memory_share * measure.mem_info("MemTotal")
        if peak_rss is None or peak_rss <= limit:
            return None
        return ("the size before it used %s, more than %.0f%% of this machine's memory (%s)"
                % (measure.gib(peak_rss), 100 * self.memory_share,
                   measure.gib(measure.mem_info("MemTotal"))))
