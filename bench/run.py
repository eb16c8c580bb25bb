#!/usr/bin/env python3
"""Runs extreme-disco's benchmarks and writes doc/performance.md.

  python3 bench/run.py                      # builds build-release/, runs everything (25 to 40 min)
  python3 bench/run.py --build build        # uses an existing build tree's extreme-disco
  python3 bench/run.py --smoke --output F   # every benchmark at a tiny size, in seconds

The benchmarks: (1) replay of generated switches of 1k to 1M forwarding-database rows, (2) one
switch over SNMP served by snmpsimd, against net-snmp's snmpbulkwalk, (3) many switches at once
from a scope file, (4) a max-repetitions sweep when the program takes -Cr, (5) the topology
inference of generated networks up to 1,000 switches and 200,000 hosts (the build's
topology-bench), (6) their pictures with --svg up to 3,200 switches, outside ones included
(topology-picture-bench), (7) the inventory store: 100 runs of that network into SQLite and
PostgreSQL (the build's store-bench), (8) the web view (`serve`) over that store: the map's first
paint in headless Chromium, switch pages and searches, 50 clients at once. Each program run is
measured from outside (os.wait4: CPU; GNU time: peak RSS) and killed above a memory cap; a replay
size whose predecessor used more than a share of the machine's memory is skipped. Every simulator is
stopped on the way out, also on errors and Ctrl-C.

Exit status: 0 done; 1 a benchmark failed (or, with --smoke, a table misses numbers); 2 bad
options or no program; 77 (--smoke only) snmpsimd or net-snmp's tools are missing, so only the
replay benchmark ran.
"""

import argparse
import os
import shutil
import signal
import sys
import tempfile

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(HERE)
sys.path.insert(0, HERE)

import bench_many  # noqa: E402
import bench_pollers  # noqa: E402
import bench_replay  # noqa: E402
import bench_snmp  # noqa: E402
import bench_store  # noqa: E402
import bench_topology  # noqa: E402
import bench_web  # noqa: E402
import engine  # noqa: E402
import measure  # noqa: E402
import report  # noqa: E402
import simulator  # noqa: E402
import recordings  # noqa: E402
from context import Context, log  # noqa: E402

SKIPPED = 77
BENCHMARKS = ("replay", "snmp", "many", "topology", "store", "web", "pollers")

FULL = dict(sizes="1k,10k,100k,1M", snmp_sizes="10k,100k", sweep_size="100k", switches=32,
            switch_size="2k", jobs="1,4,16", simulators=8,
            topology_sizes="100:20000,1000:200000",
            picture_sizes="200:800,1000:0,1000:1000,200:3000", store_size="100:1000:200000",
            web_size="1000:200000", pollers_switches=64)
SMOKE = dict(sizes="200,1k", snmp_sizes="300", sweep_size="300", switches=4, switch_size="200",
             jobs="1,4,16", simulators=2, topology_sizes="20:400", picture_sizes="20:30",
             store_size="3:20:400", web_size="20:400", pollers_switches=4)

PREAMBLE = """
# Performance of extreme-disco

Written by `python3 bench/run.py` (the numbers below are from the run named under the title).
It configures and builds a Release tree in `build-release/` (`cmake --build -j2`) and measures
`build-release/extreme-disco`; `--build DIR` measures an existing tree's program instead.
`--sizes` picks the replay sizes, `--only replay,snmp,many` some of the benchmarks (their
sections replace those of the page, each with its own machine and date; the others stay),
`--smoke` runs each at a tiny size (that is the `bench_smoke` test of the suite). Every run of a program is
measured from outside: CPU is user + system time of the whole process (`os.wait4`), peak RSS its
maximum resident set size as GNU time reports it, wall the time from start to exit. Each timed
run is repeated (`--repeat`, default 3) and reported as its median, with (lowest–highest) when
the runs differ. A run whose
resident memory passes the memory cap (`--memory-cap`, a share of the machine's memory) is
killed and reported; a replay size is skipped when the size before it used more than
`--memory-share` of the machine's memory. SNMP goes only to loopback addresses, to `snmpsimd`
processes that the run starts and stops.

Targets: replaying 100k rows within 1.5 s of CPU, 300 MiB of peak RSS and 1 KiB of peak RSS
per walked varbind; 1 KiB per varbind at 1M rows; CPU(1M) / CPU(100k) ≤ 12; over SNMP, a wall
within 5 % of snmpbulkwalk's for the same columns and at most 1.5 × its CPU; 32 switches at
`-j 16` below 4 × one switch's peak RSS; the topology of 1,000 switches and 200,000 hosts
inferred within 5 s of CPU and 1 GiB of peak RSS; the picture of 1,000 switches, 800 of them
outside the scope, rendered within 5 s; one run of that network written into the inventory
store within 3 s (SQLite) and 6 s (PostgreSQL), an identical second run no slower; after 100
runs with 1% of the hosts moving per run, at most 150 bytes per sighting row, `find` within
10 ms and `changes` within 1 s.
"""


def parse_args(argv):
    p = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    p.add_argument("--build", metavar="DIR",
                   help="use DIR/extreme-disco of an existing build tree (default: configure and "
                        "build a Release tree in build-release/)")
    p.add_argument("--output", metavar="FILE",
                   help="the page to write (default doc/performance.md; with --smoke a "
                        "temporary file)")
    p.add_argument("--smoke", action="store_true",
                   help="every benchmark at a tiny size; fails when a table misses numbers")
    p.add_argument("--only", default=",".join(BENCHMARKS),
                   help="benchmarks to run, of %s (default all); the page keeps the "
                   "sections of the others" % ",".join(BENCHMARKS))
    p.add_argument("--sizes", help="replay sizes, smallest first (default %s)" % FULL["sizes"])
    p.add_argument("--snmp-sizes", help="sizes over SNMP (default %s)" % FULL["snmp_sizes"])
    p.add_argument("--sweep-size", help="size of the max-repetitions sweep (default %s)"
                   % FULL["sweep_size"])
    p.add_argument("--switches", type=int, help="switches at once (default %d)"
                   % FULL["switches"])
    p.add_argument("--switch-size", help="size of each of them (default %s)"
                   % FULL["switch_size"])
    p.add_argument("--jobs", help="-j values for them (default %s)" % FULL["jobs"])
    p.add_argument("--simulators", type=int, help="snmpsimd processes serving them (default %d)"
                   % FULL["simulators"])
    p.add_argument("--topology-sizes", help="topology inference sizes, SWITCHES:HOSTS "
                   "(default %s)" % FULL["topology_sizes"])
    p.add_argument("--picture-sizes", help="topology picture sizes, SWITCHES:OUTSIDE "
                   "(default %s)" % FULL["picture_sizes"])
    p.add_argument("--store-size", help="inventory store benchmark, RUNS:SWITCHES:HOSTS "
                   "(default %s)" % FULL["store_size"])
    p.add_argument("--web-size", help="web view benchmark, SWITCHES:HOSTS (default %s)"
                   % FULL["web_size"])
    p.add_argument("--pollers-switches", type=int, help="switches of the pollers benchmark, "
                   "each of --switch-size (default %d)" % FULL["pollers_switches"])
    p.add_argument("--repeat", type=int, default=3, help="timed runs per measurement (default 3)")
    p.add_argument("--memory-share", type=float, default=0.05,
                   help="skip a replay size when the one before it peaked above this share of "
                        "the machine's memory (default 0.05: a ten times bigger size then needs "
                        "about half)")
    p.add_argument("--memory-cap", type=float, default=0.6,
                   help="kill a run above this share of the machine's memory, or above the "
                        "memory available at its start less 1 GiB if that is less (default 0.6)")
    args = p.parse_args(argv)
    preset = SMOKE if args.smoke else FULL
    for key, value in preset.items():
        if getattr(args, key) is None:
            setattr(args, key, value)
    args.only = [b.strip() for b in args.only.split(",") if b.strip()]
    unknown = set(args.only) - set(BENCHMARKS)
    if unknown or args.repeat < 1 or args.switches < 1 or args.simulators < 1 or \
            args.pollers_switches < 1:
        p.error("--only takes %s; --repeat, --switches, --simulators and --pollers-switches "
                "at least 1" % ",".join(BENCHMARKS))
    try:
        args.jobs = [int(j) for j in args.jobs.split(",")]
        for size in split(args.sizes) + split(args.snmp_sizes) + [args.switch_size]:
            recordings.rows_of(size)
        for size in split(args.topology_sizes):
            bench_topology.parse_size(size)
        for size in split(args.picture_sizes):
            bench_topology.parse_picture_size(size)
        bench_store.parse_size(args.store_size)
        bench_web.parse_size(args.web_size)
    except ValueError as e:
        p.error(str(e))
    return args


def split(text):
    return [t.strip() for t in text.split(",") if t.strip()]


def find_program(args):
    if args.build:
        return engine.program_in(args.build)
    build_dir = os.path.join(SOURCE, "build-release")
    log("building %s (Release, -j2)" % build_dir)
    return engine.build_release(SOURCE, build_dir)


def run_benchmarks(ctx, args):
    """The Sections of the chosen benchmarks, and whether the SNMP ones had to be left out."""
    sections = []
    snmp_missing = not simulator.installed()
    if "replay" in args.only:
        sections.append(bench_replay.run(ctx, split(args.sizes)))
    topology = []
    if "topology" in args.only:
        topology.append(bench_topology.run(ctx, split(args.topology_sizes)))
        topology.append(bench_topology.run_pictures(ctx, split(args.picture_sizes)))
    if "store" in args.only:
        topology.append(bench_store.run(ctx, args.store_size))
    if "web" in args.only:
        # The smoke run leaves the browser out and keeps the clients busy for a second only.
        topology.append(bench_web.run(ctx, args.web_size, seconds=1 if args.smoke else 10,
                                      browser=not args.smoke))
    wants_snmp = any(b in args.only for b in ("snmp", "many", "pollers"))
    if wants_snmp and snmp_missing:
        ctx.log("snmpsimd, snmpget or snmpbulkwalk is missing: SNMP benchmarks not run")
        return sections + topology, True
    swept = []
    if "snmp" in args.only:
        compared, sweep = bench_snmp.run(ctx, split(args.snmp_sizes), args.sweep_size)
        sections.append(compared)
        swept.append(sweep)
    if "many" in args.only:
        sections.append(bench_many.run(ctx, args.switches, args.switch_size, args.jobs,
                                       args.simulators))
    if "pollers" in args.only:
        topology.append(bench_pollers.run(ctx, args.pollers_switches, args.switch_size,
                                          args.simulators))
    return sections + swept + topology, False


def output_path(args):
    if args.output:
        return os.path.abspath(args.output)
    if args.smoke:
        handle, path = tempfile.mkstemp(prefix="extreme-disco-bench-smoke.", suffix=".md")
        os.close(handle)
        return path
    return os.path.join(SOURCE, "doc", "performance.md")


def stop_on_sigterm():
    """SIGTERM unwinds like Ctrl-C, so that the simulators and scratch files go too."""
    def handler(signum, frame):
        raise SystemExit(128 + signum)
    signal.signal(signal.SIGTERM, handler)


def main(argv):
    args = parse_args(argv)
    stop_on_sigterm()
    try:
        program = find_program(args)
    except engine.BuildError as e:
        print("bench: %s" % e, file=sys.stderr)
        return 2
    started, load_at_start = report.now(), report.load_average()
    workdir = tempfile.mkdtemp(prefix="extreme-disco-bench.")
    os.chmod(workdir, 0o755)  # the simulators may run as nobody and read their data here
    try:
        ctx = Context(program, workdir, args.repeat, args.memory_cap, args.memory_share,
                      engine.supports_max_repetitions(program))
        ctx.log("memory cap per run, now: %s" % measure.gib(ctx.cap_bytes()))
        sections, snmp_missing = run_benchmarks(ctx, args)
    finally:
        shutil.rmtree(workdir, ignore_errors=True)
    path = output_path(args)
    machine = report.machine_lines(SOURCE, program, started, load_at_start)
    if set(args.only) != set(BENCHMARKS) and not args.smoke and os.path.exists(path):
        # Some benchmarks only: the page keeps the others' sections.
        with open(path) as f:
            page = report.merge_page(f.read(), machine, sections)
    else:
        page = report.render_page(PREAMBLE, machine, sections)
    report.write_page(path, page)
    log("wrote %s" % path)
    return verdict(args, sections, snmp_missing)


def verdict(args, sections, snmp_missing):
    """The exit status: failures first, then (smoke) missing numbers and missing tools."""
    problems = [why for s in sections for why in s.failures]
    if args.smoke:
        problems = [m for s in sections for m in s.missing_numbers()]
    for p in problems:
        print("bench: " + p, file=sys.stderr)
    if problems:
        return 1
    return SKIPPED if args.smoke and snmp_missing else 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv[1:]))
    except KeyboardInterrupt:
        log("interrupted")
        sys.exit(130)
