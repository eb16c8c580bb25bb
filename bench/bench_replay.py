"""Benchmark 1: discovering one generated switch from its recording (--replay), no SNMP.

For each size: the varbinds the program walks, its CPU (user + system), wall time and peak RSS,
CPU per forwarding-database row and peak RSS per walked varbind; then the CPU growth from the
100k to the 1M size, and the targets. A size runs only when the size before it stayed under
the machine's memory share (see Context.too_big_after); otherwise its row says why it was
skipped.
"""

import os
import shutil

import measure
import recordings
from engine import replay_argv
from report import Column, Section, Table, Target, fixed, integer, mib, targets_table

ADDRESS = "127.0.0.1"  # only names the recording's file: a replay sends nothing

TEXT = """
`extreme-disco --replay DIR --no-ping -q -o OUT.json ADDRESS` on one generated switch per size
(`bench/gen_switch.py`; ports and VLANs beside the size). *Varbinds* are the recording's objects
outside the system group, which is what the program walks. CPU is user + system of the whole
process, peak RSS its maximum resident set: the median of the repeated runs, with
(lowest–highest) when they differ. No SNMP is sent: this is the program's own cost. *System s*
is the kernel's share of the CPU, nearly all of it first-touch page faults (one per 4 KiB of the
peak); on a virtual machine their cost per fault varies from run to run and grows with the
process's size, so the growth table gives the user CPU's growth beside the whole CPU's.
"""

CPU_TARGET = ("100k", 1.5)
PEAK_TARGET = ("100k", 300 * 2**20)
BYTES_PER_VARBIND_TARGET = 1024
BYTES_PER_VARBIND_SIZES = ("100k", "1M")
CPU_GROWTH = ("1M", "100k", 12)


class SizeResult:
    """What one size measured: varbinds, and Stats of wall, CPU and peak RSS."""

    def __init__(self, shape, varbinds, wall, cpu, peak, system):
        self.shape = shape
        self.varbinds = varbinds
        self.wall = wall
        self.cpu = cpu
        self.peak = peak
        self.system = system

    def user(self):
        return self.cpu.median - self.system.median

    def cpu_per_row_us(self):
        return self.cpu.median / self.shape.fdb * 1e6

    def bytes_per_varbind(self):
        return self.peak.median / self.varbinds


def replay_table():
    return Table([Column("size (FDB rows)"), Column("varbinds", integer),
                  Column("CPU s", fixed(2)), Column("system s", fixed(2)),
                  Column("wall s", fixed(2)),
                  Column("peak RSS MiB", mib), Column("µs CPU / FDB row", fixed(1)),
                  Column("B peak RSS / varbind", integer)])


def measure_size(ctx, shape):
    """Generates the switch of `shape` and replays it ctx.repeats times."""
    directory = os.path.join(ctx.workdir, "replay-" + shape.label)
    os.makedirs(directory)
    try:
        recording = recordings.generate(shape, os.path.join(directory, ADDRESS + ".snmprec"),
                                        "replay-" + shape.label)
        varbinds = sum(1 for _ in recordings.walked_oids(recording))
        argv = replay_argv(ctx.program, directory, ADDRESS, os.path.join(directory, "out.json"))
        samples = measure.repeat(ctx.repeats, lambda: ctx.measure(argv))
        wall, cpu, peak = measure.summarize(samples)
        system = measure.Stat([s.system for s in samples])
        return SizeResult(shape, varbinds, wall, cpu, peak, system)
    finally:
        shutil.rmtree(directory, ignore_errors=True)


def add_row(table, result):
    table.add(result.shape.describe(), result.varbinds, result.cpu, result.system, result.wall,
              result.peak, result.cpu_per_row_us(), result.bytes_per_varbind())


def add_missing_row(table, shape, why):
    table.add(shape.describe(), why, "", "", "", "", "", "")


def targets(results):
    """The targets, measured where their size ran."""
    def at(label):
        return results.get(label)

    found = []
    size, limit = CPU_TARGET
    found.append(Target("%s: CPU ≤ %.1f s" % (size, limit), at(size) and at(size).cpu.median,
                        lambda v, limit=limit: v <= limit, fixed(2), "size not run"))
    size, limit = PEAK_TARGET
    found.append(Target("%s: peak RSS ≤ %d MiB" % (size, limit // 2**20),
                        at(size) and at(size).peak.median, lambda v, limit=limit: v <= limit, mib,
                        "size not run"))
    for size in BYTES_PER_VARBIND_SIZES:
        found.append(Target("%s: peak RSS ≤ 1 KiB per varbind" % size,
                            at(size) and at(size).bytes_per_varbind(),
                            lambda v: v <= BYTES_PER_VARBIND_TARGET, integer, "size not run"))
    big, small, limit = CPU_GROWTH
    ratio = None
    if at(big) and at(small) and at(small).cpu.median > 0:
        ratio = at(big).cpu.median / at(small).cpu.median
    found.append(Target("CPU(%s) / CPU(%s) ≤ %d" % (big, small, limit), ratio,
                        lambda v, limit=limit: v <= limit, fixed(1), "needs both sizes"))
    return found


def growth_table(results):
    """CPU of each size over the size before it: how the cost grows."""
    table = Table([Column("from"), Column("to"), Column("rows ×", fixed(0)),
                   Column("CPU ×", fixed(1)), Column("user CPU ×", fixed(1))])
    ran = list(results.values())
    for before, after in zip(ran, ran[1:]):
        if before.cpu.median > 0 and before.user() > 0:
            table.add(before.shape.label, after.shape.label, after.shape.fdb / before.shape.fdb,
                      after.cpu.median / before.cpu.median, after.user() / before.user())
    return table


def run(ctx, sizes):
    """The replay benchmark over `sizes` (labels, smallest first); returns its Section."""
    section = Section("1. Replay, no SNMP", TEXT)
    table = section.table("", replay_table())
    results = {}
    previous_peak = None
    for label in sizes:
        shape = recordings.shape_of(label)
        if section.failures:
            add_missing_row(table, shape, "not run: a smaller size failed")
            continue
        why = ctx.too_big_after(previous_peak)
        if why:
            ctx.log("replay %s skipped: %s" % (label, why))
            add_missing_row(table, shape, "skipped: " + why)
            continue
        ctx.log("replay %s" % shape.describe())
        try:
            result = measure_size(ctx, shape)
        except measure.RunFailed as e:
            add_missing_row(table, shape, str(e))
            section.fail("the %s replay failed" % label)
            continue
        add_row(table, result)
        results[label] = result
        previous_peak = result.peak.high
    if len(results) > 1:
        section.table("How CPU grows from one size to the next:", growth_table(results))
    section.table("Targets:", targets_table(targets(results)))
    return section
