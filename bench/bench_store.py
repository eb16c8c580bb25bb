"""Benchmark 7: the inventory store, without SNMP.

bench/store_bench.cc (the build's `store-bench`) generates a run directly as the store's
snapshot (S switches of 48 interfaces linked as a tree, H hosts on access ports), writes R runs
(the first two identical, then 1% of the hosts moving per run) into SQLite and into a
throwaway PostgreSQL server it starts, and times `find` and `changes` on the result.
"""

import os
import tempfile

import measure
from report import Column, Section, Table, Target, fixed, integer, targets_table

PROGRAM = "store-bench"

TEXT = """
`store-bench --runs R --switches S --hosts H`: a network of S switches with 48 interfaces each,
linked as a tree, and H hosts on access ports, written R times through the store's `WriteRun`
(one transaction per run): the first two runs identical, then 1% of the hosts moving to another
port at each run. Then `find` for 201 random hosts by MAC and by IPv4 (median, store warm) and
`changes` between the last two runs. SQLite is a file (WAL, synchronous=FULL); PostgreSQL a
throwaway server the program starts (Unix socket, default settings, fsync on). *Bytes per row*
is the store's size on disk over its host-sighting rows: SQLite's file and log; PostgreSQL's
tables with their indexes (the catalogs every database has, about 7.5 MB, not counted).
`doc/inventory.md` describes the schema.
"""

TARGET_SIZE = (100, 1000, 200000)
FIRST_LIMIT = {"SQLite": 3.0, "PostgreSQL": 6.0}
BYTES_LIMIT = 150
FIND_LIMIT_MS = 10.0
CHANGES_LIMIT = 1.0


def parse_size(text):
    """'100:1000:200000' -> (runs, switches, hosts)."""
    runs, switches, hosts = text.split(":")
    return int(runs), int(switches), int(hosts)


def program_path(ctx):
    return os.path.join(os.path.dirname(ctx.program), PROGRAM)


def number(cell):
    """'1.95 s' -> 1.95; '0.241 s (1948 moved)' -> 0.241."""
    return float(cell.split()[0])


def run(ctx, size):
    """The store benchmark at `size` ('R:S:H'); returns its Section."""
    runs, switches, hosts = parse_size(size)
    section = Section("7. Inventory store, no SNMP",
                      TEXT + "\n%d runs of %d switches and %d hosts.\n" % (runs, switches, hosts))
    table = section.table("", Table([
        Column("store"), Column("first run s", fixed(2)), Column("second, identical s", fixed(2)),
        Column("later runs s (mean)", fixed(2)), Column("sighting rows", integer),
        Column("bytes per row", integer), Column("find by MAC ms", fixed(2)),
        Column("find by IP ms", fixed(2)), Column("changes s", fixed(3))]))
    if not os.access(program_path(ctx), os.X_OK):
        section.fail("%s is missing: build the tree's %s target" % (program_path(ctx), PROGRAM))
        return section
    argv = [program_path(ctx), "--runs", str(runs), "--switches", str(switches),
            "--hosts", str(hosts)]
    ctx.log("store %d runs of %d switches, %d hosts" % (runs, switches, hosts))
    with tempfile.TemporaryFile(mode="w+") as out:
        try:
            ctx.measure(argv, stdout=out)
        except measure.RunFailed as e:
            section.fail("store-bench failed: %s" % e)
            return section
        out.seek(0)
        rows = [line.strip().strip("|").split("|") for line in out
                if line.startswith("| ") and not line.startswith("| store")]
    measured = {}
    for cells in rows:
        cells = [c.strip() for c in cells]
        name = cells[0]
        values = [number(c) for c in cells[1:4]] + [int(cells[5]), float(cells[6])] + \
                 [number(c) for c in cells[7:10]]
        table.add(name, *values)
        measured[name] = values
    targets = []
    for name, limit in FIRST_LIMIT.items():
        # The targets are set for the full size; a smaller run shows its numbers only.
        v = measured.get(name) if (runs, switches, hosts) == TARGET_SIZE else None
        targets += [
            Target("%s: first run written within %.0f s" % (name, limit), v and v[0],
                   lambda x, limit=limit: x <= limit, fixed(2), "size not run"),
            Target("%s: second, identical run no slower than the first" % name,
                   v and v[1] - v[0], lambda x: x <= 0, fixed(2), "size not run"),
            Target("%s: at most %d bytes per sighting row" % (name, BYTES_LIMIT), v and v[4],
                   lambda x: x <= BYTES_LIMIT, integer, "size not run"),
            Target("%s: find by MAC and by IP within %.0f ms (median)" % (name, FIND_LIMIT_MS),
                   v and max(v[5], v[6]), lambda x: x <= FIND_LIMIT_MS, fixed(2), "size not run"),
            Target("%s: changes between the last two runs within %.0f s" % (name, CHANGES_LIMIT),
                   v and v[7], lambda x: x <= CHANGES_LIMIT, fixed(3), "size not run")]
    section.table("Targets (the second run's line shows second minus first):",
                  targets_table(targets))
    return section
