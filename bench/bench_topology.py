"""Benchmark 5: the topology inference on generated networks, without SNMP.

bench/topology_bench.cc (the build's `topology-bench`) generates a network of S switches and
H hosts (engine/topology/SyntheticNetwork.h: a random tree, a tenth of the switches with a hub,
one redundant blocked link per 20 switches, a switch outside the scope, EDP missing on a third
of the links, a quarter of the forwarding entries aged out; every switch learns every switch's
address, a host is learned by the switches between it and the root) and infers its topology.
"""

import os
import tempfile

import measure
from report import Column, Section, Table, Target, fixed, integer, mib, targets_table

PROGRAM = "topology-bench"
TARGET_SIZE = (1000, 200000)
CPU_LIMIT = 5.0
PEAK_LIMIT = 2**30

TEXT = """
`topology-bench --switches S --hosts H` per size: it generates the network (a random tree of
switches, hubs, redundant links blocked by spanning tree, a switch outside the scope, EDP
missing on a third of the links and heard from one side only on a fifth of the others, a
quarter of the forwarding entries aged out), then infers its topology with the engine's
`engine/topology/` library. *Inference CPU* is the inference alone (getrusage around the call);
*process CPU* and peak RSS are the whole program's, generation included, measured from outside.
*Links found* counts the true links (with both ends) among the inferred ones.
"""


def parse_size(text):
    """'1000:200000' -> (1000, 200000)."""
    switches, hosts = text.split(":")
    return int(switches), int(hosts)


def program_path(ctx):
    return os.path.join(os.path.dirname(ctx.program), PROGRAM)


def measure_size(ctx, switches, hosts):
    """Runs the driver ctx.repeats times; (key=value dict of the last run, wall, cpu, peak)."""
    argv = [program_path(ctx), "--switches", str(switches), "--hosts", str(hosts)]
    samples, values = [], {}
    for _ in range(ctx.repeats):
        with tempfile.TemporaryFile(mode="w+") as out:
            samples.append(ctx.measure(argv, stdout=out))
            out.seek(0)
            values = dict(pair.split("=", 1) for pair in out.read().split())
    wall, cpu, peak = measure.summarize(samples)
    return values, wall, cpu, peak


def run(ctx, sizes):
    """The topology benchmark over `sizes` ('S:H' texts); returns its Section."""
    section = Section("5. Topology inference, no SNMP", TEXT)
    table = section.table("", Table([
        Column("switches", integer), Column("hosts", integer), Column("forwarding entries", integer),
        Column("links found / links"), Column("hosts placed", integer),
        Column("undecided", integer), Column("inference CPU s", fixed(2)),
        Column("process CPU s", fixed(2)), Column("peak RSS MiB", mib)]))
    measured = {}
    if not os.access(program_path(ctx), os.X_OK):
        section.fail("%s is missing: build the tree's %s target" % (program_path(ctx), PROGRAM))
        return section
    for text in sizes:
        switches, hosts = parse_size(text)
        ctx.log("topology %d switches, %d hosts" % (switches, hosts))
        try:
            values, wall, cpu, peak = measure_size(ctx, switches, hosts)
        except (measure.RunFailed, ValueError) as e:
            table.add(switches, hosts, str(e), "", "", "", "", "", "")
            section.fail("the topology of %s failed" % text)
            continue
        table.add(int(values["switches"]), int(values["hosts"]), int(values["entries"]),
                  "%s / %s" % (values["links_found"], values["links"]),
                  int(values["hosts_placed"]), int(values["undecided"]),
                  float(values["infer_cpu_s"]), cpu, peak)
        measured[(switches, hosts)] = (float(values["infer_cpu_s"]), peak)
    at = measured.get(TARGET_SIZE)
    label = "%d switches, %d hosts" % TARGET_SIZE
    section.table("Targets:", targets_table([
        Target("%s: inference CPU ≤ %.0f s" % (label, CPU_LIMIT), at and at[0],
               lambda v: v <= CPU_LIMIT, fixed(2), "size not run"),
        Target("%s: peak RSS ≤ 1 GiB" % label, at and at[1].median,
               lambda v: v <= PEAK_LIMIT, mib, "size not run")]))
    return section


PICTURE_PROGRAM = "topology-picture-bench"
PICTURE_TARGET = (200, 800)  # 1,000 switches, outside ones included
PICTURE_WALL_LIMIT = 5.0

PICTURE_TEXT = """
`topology-picture-bench --switches S --outside O --svg FILE` per size: the network of benchmark 5
with S discovered switches and 2,000 hosts, and O switches outside the scope heard by LLDP, each
on an edge port of its own, in turn over the discovered switches; then the engine's DOT text
(`--dot`) and its SVG rendered through Graphviz's `dot` as `--svg` does (engine/report/
PictureLayout.h: above 300 boxes links are labelled at their ends only and drawn straight and
hosts are counted in their switch's box; above 1,500 boxes the outside switches that one switch
alone hears are counted in its box). *Render wall* is the rendering alone (dot included);
*process wall* and *CPU* (dot included) are the whole program's, measured from outside.
"""


def parse_picture_size(text):
    """'200:800' -> (200, 800): discovered switches, outside switches."""
    switches, outside = text.split(":")
    return int(switches), int(outside)


def run_pictures(ctx, sizes):
    """The picture benchmark over `sizes` ('S:O' texts); returns its Section."""
    section = Section("6. The topology's picture (--svg)", PICTURE_TEXT)
    program = os.path.join(os.path.dirname(ctx.program), PICTURE_PROGRAM)
    if not os.access(program, os.X_OK):
        section.fail("%s is missing: build the tree's %s target" % (program, PICTURE_PROGRAM))
        return section
    if not any(os.access(os.path.join(d, "dot"), os.X_OK)
               for d in os.environ.get("PATH", "").split(os.pathsep)):
        section.notes.append("Graphviz's dot is not installed: nothing measured")
        return section
    table = section.table("", Table([
        Column("switches", integer), Column("outside", integer), Column("boxes", integer),
        Column("lines", integer), Column("DOT KiB", fixed(0)), Column("render wall s", fixed(2)),
        Column("process wall s", fixed(2)), Column("CPU s", fixed(2))]))
    measured = {}
    for text in sizes:
        switches, outside = parse_picture_size(text)
        ctx.log("picture %d switches, %d outside" % (switches, outside))
        svg = os.path.join(ctx.workdir, "picture.svg")
        argv = [program, "--switches", str(switches), "--outside", str(outside), "--svg", svg]
        samples, values = [], {}
        try:
            for _ in range(ctx.repeats):
                with tempfile.TemporaryFile(mode="w+") as out:
                    samples.append(ctx.measure(argv, stdout=out))
                    out.seek(0)
                    values = dict(pair.split("=", 1) for pair in out.read().split())
        except (measure.RunFailed, ValueError) as e:
            table.add(switches, outside, str(e), "", "", "", "", "")
            section.fail("the picture of %s failed" % text)
            continue
        wall, cpu, _ = measure.summarize(samples)
        table.add(switches, outside, int(values["nodes"]), int(values["edges"]),
                  int(values["dot_bytes"]) / 1024, float(values["render_s"]), wall, cpu)
        measured[(switches, outside)] = wall
    at = measured.get(PICTURE_TARGET)
    section.table("Targets:", targets_table([
        Target("%d switches, %d outside the scope: process wall ≤ %.0f s"
               % (PICTURE_TARGET + (PICTURE_WALL_LIMIT,)), at and at.median,
               lambda v: v <= PICTURE_WALL_LIMIT, fixed(2), "size not run")]))
    return section
