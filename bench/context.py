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
        self.memory_cap = memory_cap  # bytes: a measured process is killed above it
        self.memory_share = memory_share  # of the machine's memory, see too_big_after
        self.max_repetitions = max_repetitions  # whether the program takes -Cr

    def log(self, message):
        log(message)

    def path(self, *parts):
        path = os.path.join(self.workdir, *parts)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        return path

    def measure(self, argv, **kwargs):
        """One measured run of argv under the memory cap."""
        return measure.run_measured(argv, memory_cap=self.memory_cap, **kwargs)

    def too_big_after(self, peak_rss):
        """Why the next, bigger size must not run after one that peaked at peak_rss bytes
        (None when it may run)."""
        limit = self.memory_share * measure.mem_info("MemTotal")
        if peak_rss is None or peak_rss <= limit:
            return None
        return ("the size before it used %s, more than %.0f%% of this machine's memory (%s)"
                % (measure.gib(peak_rss), 100 * self.memory_share,
                   measure.gib(measure.mem_info("MemTotal"))))
