"""Benchmark 9: one run shared by several pollers through PostgreSQL, against one process.

The generated switches of the many-switches benchmark (bench_many.Network: each its own name,
community and MACs, on its own loopback address, served by a few snmpsimd processes) and a
throwaway PostgreSQL server (bench/postgres.py, fsync on). In turns: one process discovers them
all at -j J1 and keeps the run in the store; then `enqueue` makes the same scope a run of the
queue and P `poll --once -j J2` processes share it, the last one inferring the topology and
keeping the run. The queue's own cost per job comes from queue-bench (bench/queue_bench.cc):
pollers taking and finishing jobs with results of a typical size, without SNMP.
"""

import os
import subprocess
import threading
import time

import measure
import recordings
from bench_many import Network
from postgres import PostgresError, PostgresServer
from report import Column, Section, Table, Target, fixed, integer, targets_table
from simulator import SimulatorError, Simulators

WALL_FACTOR = 1.2  # the pollers' wall at most this many times the one process's
QUEUE_MS_TARGET = 5.0  # the queue's own cost per job

TEXT = """
%d generated switches of %s each on 127.0.0.2 upwards, served by %d `snmpsimd` processes (as in
section 3), and a PostgreSQL 15 server started for the benchmark (Unix socket, fsync on). In
turns: *one process* is `extreme-disco --scope FILE -j %d --no-ping -q -o OUT.json --db URI`;
*pollers* is `extreme-disco enqueue --db URI --scope FILE --no-ping` followed by %d processes
`extreme-disco poll --db URI --once -j %d --scope FILE -q` started at once, timed from the
enqueue until the last poller ends (the last one infers the topology and keeps the run). CPU is
the sum over the processes. The simulators share the 2 cores with the program, so the walls
measure how well each way keeps the slow agents busy. Median of %d rounds, (lowest–highest); a
round times one process, then the pollers, and the target compares them round by round.
The last table is `queue-bench`: %d jobs taken and finished by %d poller threads (each its own
connection, one job per take) with %d-byte results, no SNMP: what the queue itself costs. A job
goes through the queue twice (its first stage, which reads the ARP tables every device's hosts
need, then its discovery), so its cost is two takes and two finishes.
"""


class PollFailed(Exception):
    """enqueue or a poller failed; the message carries its status and the end of its output."""


def run_checked(argv):
    done = subprocess.run(argv, stdin=subprocess.DEVNULL, capture_output=True, text=True)
    if done.returncode != 0:
        raise PollFailed("%s exited with %d: %s" % (" ".join(argv[:2]), done.returncode,
                                                    done.stderr[-1500:].strip()))
    return done.stdout


def pollers_once(ctx, network, uri, pollers, jobs):
    """enqueue, then `pollers` pollers at once until every one has ended: a Sample."""
    started = time.monotonic()
    run_checked([ctx.program, "enqueue", "--db", uri, "--scope", network.everyone, "--no-ping"])
    argv = [ctx.program, "poll", "--db", uri, "--once", "-j", str(jobs), "--scope",
            network.everyone, "-q"]
    samples, errors = [None] * pollers, []

    def one(i):
        try:
            samples[i] = ctx.measure(argv)
        except measure.RunFailed as e:
            errors.append(str(e))

    threads = [threading.Thread(target=one, args=(i,)) for i in range(pollers)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    if errors:
        raise PollFailed(errors[0])
    wall = time.monotonic() - started
    return measure.Sample(wall, sum(s.cpu for s in samples), max(s.peak_rss for s in samples), 0)


def one_process_once(ctx, network, uri, jobs):
    argv = [ctx.program, "--scope", network.everyone, "-j", str(jobs), "--no-ping", "-q", "-o",
            os.path.join(network.directory, "one.json"), "--db", uri]
    return ctx.measure(argv)


def queue_costs(ctx, devices, pollers, result_bytes):
    """queue-bench's row: enqueue s, jobs/s, ms per take, ms per finish; None without it."""
    program = os.path.join(os.path.dirname(ctx.program), "queue-bench")
    if not os.access(program, os.X_OK):
        return None
    line = run_checked([program, "--devices", str(devices), "--pollers", str(pollers),
                        "--result-bytes", str(result_bytes)]).strip().splitlines()[-1]
    cells = [c.strip() for c in line.strip("|").split("|")]
    return [float(c) for c in cells[3:]]


def run(ctx, count, size, processes, one_jobs=16, pollers=4, poller_jobs=4, queue_jobs=2000,
        result_bytes=20000):
    """The pollers benchmark; returns its Section."""
    shape = recordings.shape_of(size)
    section = Section("9. Pollers sharing a run through PostgreSQL", TEXT % (
        count, shape.describe(), min(processes, count), one_jobs, pollers, poller_jobs,
        ctx.repeats, queue_jobs, pollers, result_bytes))
    walls = Table([Column("way"), Column("processes", integer), Column("-j each", integer),
                   Column("wall s", fixed(2)), Column("switches/s", fixed(2)),
                   Column("CPU s", fixed(2))])
    section.table("", walls)
    ctx.log("pollers: generating %d × %s" % (count, shape.describe()))
    one, shared, costs = [], [], None
    try:
        network = Network(ctx, shape, count, folder="pollers")
        with Simulators() as simulators, PostgresServer(durable=True) as pg:
            simulators.start(network.simulators(processes))
            for i in range(ctx.repeats):
                ctx.log("pollers: round %d of %d" % (i + 1, ctx.repeats))
                one.append(one_process_once(ctx, network, pg.uri(), one_jobs))
                shared.append(pollers_once(ctx, network, pg.uri(), pollers, poller_jobs))
        ctx.log("pollers: queue-bench")
        costs = queue_costs(ctx, queue_jobs, pollers, result_bytes)
    except (measure.RunFailed, SimulatorError, PostgresError, PollFailed) as e:
        section.fail(str(e))
        return section
    rows = (("one process", 1, one_jobs, one), ("pollers", pollers, poller_jobs, shared))
    for way, n, jobs, samples in rows:
        wall, cpu, _ = measure.summarize(samples)
        walls.add(way, n, jobs, wall, count / wall.median, cpu)
    # Each round times one process and then the pollers back to back: the median of the rounds'
    # ratios leaves out how fast the shared machine was in each round, which the walls' medians
    # keep.
    ratios = sorted(s.wall / o.wall for o, s in zip(one, shared))
    ratio = ratios[len(ratios) // 2] if len(ratios) % 2 else \
        (ratios[len(ratios) // 2 - 1] + ratios[len(ratios) // 2]) / 2
    targets = [Target("pollers' wall ≤ %.1f × one process's (median of the rounds' ratios)"
                      % WALL_FACTOR, ratio,
                      lambda v: v <= WALL_FACTOR, fixed(2))]
    if costs is not None:
        queue = Table([Column("jobs", integer), Column("pollers", integer),
                       Column("enqueue s", fixed(2)), Column("jobs/s", fixed(0)),
                       Column("ms per take", fixed(2)), Column("ms per finish", fixed(2))])
        queue.add(queue_jobs, pollers, *costs)
        section.table("The queue alone (queue-bench):", queue)
        # A device's job goes through the queue twice: its first stage, then its discovery.
        per_job = 2 * (costs[2] + costs[3])
        targets.append(Target("queue's own cost ≤ %.0f ms per job (2 takes, 2 finishes)"
                              % QUEUE_MS_TARGET, per_job,
                              lambda v: v <= QUEUE_MS_TARGET, fixed(2)))
    else:
        targets.append(Target("queue's own cost ≤ %.0f ms per job (2 takes, 2 finishes)"
                              % QUEUE_MS_TARGET, None,
                              None, fixed(2), "queue-bench is not built"))
    section.table("Targets:", targets_table(targets))
    return section
