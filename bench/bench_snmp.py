"""Benchmarks 2 and 4: one switch over real SNMP, extreme-disco against net-snmp's snmpbulkwalk,
and extreme-disco's max-repetitions sweep.

Each size's generated switch is served by its own snmpsimd on a loopback address. In turns,
extreme-disco discovers it and snmpbulkwalk walks the same columns (one invocation per column:
this snmpbulkwalk takes a single OID), each ctx.repeats times; the medians give the wall and
CPU ratios. Responses are counted outside the timed runs: snmpbulkwalk's -d dump prints one
"Received" line per response; extreme-disco's come from its results file when it counts them
per device, else from strace of one more run. The floor is floor(rows / R) + 1 per column.
The sweep runs only when the program takes -Cr.
"""

import os
import subprocess

import engine
import measure
import recordings
from report import Column, Section, Table, Target, fixed, integer, mib, targets_table
from simulator import Simulator, SimulatorError, Simulators, free_port

ADDRESS = "127.0.0.2"
DEFAULT_REPETITIONS = 25  # the program's GETBULK max-repetitions when it has no -Cr
SWEEP = (10, 25, 50, 100)
WALL_RATIO_TARGET = 1.05
CPU_RATIO_TARGET = 1.5

TEXT = """
One generated switch per size is served by `snmpsimd` on %s (an unprivileged UDP port;
logging off, `--max-varbinds=1000` so that no GETBULK answer is cut). In turns, `extreme-disco
-v 2c -c COMMUNITY [-Cr R] --no-ping -q -o OUT.json %s:PORT` discovers it and net-snmp's
`snmpbulkwalk -v2c -c COMMUNITY -CrR` walks exactly the columns the program walks (the
recording's objects outside the system group, each identifier minus its index), one invocation
per column since this snmpbulkwalk takes one OID, output to /dev/null; the snmpbulkwalk row
sums wall and CPU over the invocations and gives the largest peak. Each is timed %%d times:
median, (lowest–highest). The simulator answers both and shares the machine's cores with them,
so the walls mostly measure it; the wall ratio says whether the program adds waiting of its own.
*Responses* are counted in separate untimed runs: snmpbulkwalk's `-d` dump (one "Received"
line per response), and for extreme-disco `devices[0].snmp.responses` of its results file, or
when it has no such counter, the datagrams from the agent's port that `strace -f -e
trace=recvfrom,recvmsg` shows it received. *Floor* is the fewest responses a walk of every
column can take: floor(rows / R) + 1 per column.
""" % (ADDRESS, ADDRESS)


class Served:
    """A switch being served: its column row counts, community and address."""

    def __init__(self, shape, directory, columns, community, port):
        self.shape = shape
        self.directory = directory
        self.columns = columns
        self.community = community
        self.port = port

    @property
    def target(self):
        return "%s:%d" % (ADDRESS, self.port)


def serve(ctx, simulators, shape):
    """Generates the switch of `shape` and starts its simulator."""
    directory = os.path.join(ctx.workdir, "snmp-" + shape.label)
    os.makedirs(directory)
    community = "bench" + shape.label.replace(".", "_")
    recording = recordings.generate(shape, os.path.join(directory, "switch.snmprec"),
                                    "snmp-" + shape.label)
    port = free_port([ADDRESS])
    sim = Simulator(os.path.join(directory, "sim"), {community: recording}, [(ADDRESS, port)])
    simulators.start([sim])
    return Served(shape, directory, recordings.column_rows(recording), community, port)


def bulkwalk_argv(served, repetitions, column, dump=False):
    return (["snmpbulkwalk", "-v2c", "-c", served.community, "-Cr%d" % repetitions] +
            (["-d"] if dump else []) + [served.target, column])


def time_bulkwalks(ctx, served, repetitions):
    """One timed walk of every column: a Sample with summed wall and CPU, largest peak."""
    samples = [ctx.measure(bulkwalk_argv(served, repetitions, c)) for c in served.columns]
    return measure.Sample(sum(s.wall for s in samples), sum(s.cpu for s in samples),
                          max(s.peak_rss for s in samples), 0)


def count_bulkwalk_responses(served, repetitions):
    """Responses snmpbulkwalk receives for every column, from its -d packet dump."""
    total = 0
    for column in served.columns:
        argv = bulkwalk_argv(served, repetitions, column, dump=True)
        with subprocess.Popen(argv, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE) as walk:
            total += sum(1 for line in walk.stderr if line.startswith(b"Received "))
        if walk.returncode != 0:
            raise subprocess.CalledProcessError(walk.returncode, argv)
    return total


def program_argv(ctx, served, repetitions, results):
    return engine.snmp_argv(ctx.program, served.community, served.target, results,
                            repetitions if ctx.max_repetitions else None)


def count_program_responses(ctx, served, repetitions, results):
    """The program's responses: its results file's counters, else strace; text when neither."""
    counted = engine.responses_in_results(results)
    if counted is not None:
        return counted
    if not engine.strace_available():
        return "not counted: no counters in the results file and no strace"
    argv = program_argv(ctx, served, repetitions, os.path.join(served.directory, "strace.json"))
    return engine.responses_by_strace(argv, served.port)


def compare(ctx, served, repetitions):
    """Timed runs of both clients in turns; returns (program Samples, bulkwalk Samples)."""
    results = os.path.join(served.directory, "out.json")
    argv = program_argv(ctx, served, repetitions, results)
    program, bulkwalk = [], []
    for _ in range(ctx.repeats):
        program.append(ctx.measure(argv))
        bulkwalk.append(time_bulkwalks(ctx, served, repetitions))
    return program, bulkwalk


def comparison_table():
    return Table([Column("size (FDB rows)"), Column("client"), Column("R", integer),
                  Column("wall s", fixed(2)), Column("CPU s", fixed(3)),
                  Column("peak RSS MiB", mib), Column("responses", integer),
                  Column("floor", integer)])


def ratio_table():
    return Table([Column("size"), Column("wall ratio", fixed(3)), Column("≤ %.2f" %
                 WALL_RATIO_TARGET), Column("CPU ratio", fixed(2)),
                  Column("≤ %.1f" % CPU_RATIO_TARGET)])


def verdict(value, limit):
    return "pass" if value <= limit else "FAIL"


def compare_size(ctx, served, table, ratios, notes):
    """Benchmark 2 at one size: rows of both clients and their ratios."""
    r = DEFAULT_REPETITIONS
    results = os.path.join(served.directory, "out.json")
    program, bulkwalk = compare(ctx, served, r)
    floor = recordings.expected_responses(served.columns, r)
    label = served.shape.describe()
    program_responses = count_program_responses(ctx, served, r, results)
    for name, samples, responses in (
            ("extreme-disco", program, program_responses),
            ("snmpbulkwalk × %d columns" % len(served.columns), bulkwalk,
             count_bulkwalk_responses(served, r))):
        wall, cpu, peak = measure.summarize(samples)
        table.add(label, name, r, wall, cpu, peak, responses, floor)
    if isinstance(program_responses, int) and program_responses < floor:
        notes.append("%s: extreme-disco took fewer responses than the floor: it does not walk "
                     "every column of the recording, so snmpbulkwalk walked a few more "
                     "varbinds than it." % served.shape.label)
    program_wall, program_cpu, _ = measure.summarize(program)
    walk_wall, walk_cpu, _ = measure.summarize(bulkwalk)
    wall_ratio = program_wall.median / walk_wall.median
    cpu_ratio = program_cpu.median / walk_cpu.median if walk_cpu.median > 0 else float("inf")
    ratios.add(served.shape.label, wall_ratio, verdict(wall_ratio, WALL_RATIO_TARGET),
               cpu_ratio, verdict(cpu_ratio, CPU_RATIO_TARGET))


def sweep_table():
    return Table([Column("R"), Column("wall s", fixed(2)), Column("CPU s", fixed(3)),
                  Column("peak RSS MiB", mib), Column("responses", integer),
                  Column("floor", integer)])


def sweep(ctx, served, table):
    """Benchmark 4: the program at each max-repetitions."""
    results = os.path.join(served.directory, "sweep.json")
    for r in SWEEP:
        ctx.log("sweep %s, -Cr %d" % (served.shape.label, r))
        argv = program_argv(ctx, served, r, results)
        wall, cpu, peak = measure.summarize(measure.repeat(ctx.repeats,
                                                           lambda: ctx.measure(argv)))
        table.add("%d" % r, wall, cpu, peak, count_program_responses(ctx, served, r, results),
                  recordings.expected_responses(served.columns, r))


SWEEP_TEXT = """
`extreme-disco -v 2c -c COMMUNITY -Cr R --no-ping -q -o OUT.json ADDRESS:PORT` on the %s switch
for R = %s, served as above; median of the timed runs, responses counted as above.
"""


def run(ctx, sizes, sweep_size):
    """Benchmarks 2 and 4; returns their two Sections (the sweep's says when it could not run)."""
    section = Section("2. Over SNMP, against net-snmp", TEXT % ctx.repeats)
    table = section.table("", comparison_table())
    ratios = section.table("Ratios extreme-disco / snmpbulkwalk (medians) and targets:",
                           ratio_table())
    swept = Section("4. Max-repetitions sweep", SWEEP_TEXT % (sweep_size, ", ".join(
        str(r) for r in SWEEP)))
    if not ctx.max_repetitions:
        section.notes.append("This extreme-disco has no -Cr option (its --help does not "
                             "mention it): it ran with its built-in max-repetitions, %d, and "
                             "snmpbulkwalk with -Cr%d." % (DEFAULT_REPETITIONS,
                                                           DEFAULT_REPETITIONS))
        swept.notes.append("Not run: this extreme-disco has no -Cr option.")
    elif sweep_size not in sizes:
        swept.notes.append("Not run: its size, %s, is not one of the sizes served over SNMP."
                           % sweep_size)
    for label in sizes:
        shape = recordings.shape_of(label)
        try:
            with Simulators() as simulators:
                ctx.log("over SNMP: %s" % shape.describe())
                served = serve(ctx, simulators, shape)
                compare_size(ctx, served, table, ratios, section.notes)
                if label == sweep_size and ctx.max_repetitions:
                    sweep(ctx, served, swept.table("", sweep_table()))
        except (measure.RunFailed, SimulatorError, subprocess.CalledProcessError) as e:
            section.fail("%s: %s" % (label, e))
            if label == sweep_size and ctx.max_repetitions:
                swept.fail("%s: %s" % (label, e))
    return section, swept
