"""Generated switch recordings: their shapes, how one is written, and what a walk of one reads.

A size is a number of forwarding-database rows ("1k", "100k", "1M" or a plain number); its
shape adds the ports and VLANs. The program walks every object of a recording outside the
system group; the columns of those objects (object identifier minus index) are what a
net-snmp walk must cover to read the same varbinds. Columns are told apart with the table
layout of gen_switch.py, which writes the recordings.
"""

import collections
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import gen_switch as g  # noqa: E402  (the layout of the recordings)

SYSTEM_GROUP = "1.3.6.1.2.1.1."

# Tables whose entry holds several columns: the column is the entry plus one arc.
TABLE_ENTRIES = (g.IF_ENTRY, g.EDP_NEIGHBOR, g.FDB)
# Single columns of their tables: what follows is the index.
COLUMNS = (g.IP_AD_ENT_IF_INDEX, g.IP_NET_TO_MEDIA_PHYS, g.DOT1D_BASE_PORT_IF_INDEX,
           g.DOT1D_STP_PORT_STATE, g.IF_STACK_STATUS, g.VLAN_GLOBAL_MAPPING_IF_INDEX,
           g.VLAN_IF_DESCR, g.VLAN_IF_GLOBAL_ID, g.VLAN_IF_VLAN_ID, g.VLAN_ENCAPS_IF_TAG,
           g.VLAN_STACK_LOWER_LAYER)


class Shape:
    """A generated switch: ports, VLANs and forwarding-database rows; `label` names the size."""

    def __init__(self, label, ports, vlans, fdb):
        self.label = label
        self.ports = ports
        self.vlans = vlans
        self.fdb = fdb

    def describe(self):
        return "%s (%d ports, %d VLANs)" % (self.label, self.ports, self.vlans)


def rows_of(label):
    """'1k' -> 1000, '1M' -> 1000000, '250' -> 250."""
    text = label.strip()
    scale = {"k": 1000, "K": 1000, "M": 1000000}.get(text[-1:], 1)
    number = text[:-1] if scale != 1 else text
    try:
        rows = int(float(number) * scale)
    except ValueError:
        raise ValueError("%r is not a size (e.g. 1k, 100k, 1M, 5000)" % label)
    if rows < 1:
        raise ValueError("a size must hold at least one row")
    return rows


def shape_of(label):
    """The shape of a size: small switches for small tables, 384 ports / 200 VLANs from 100k."""
    rows = rows_of(label)
    if rows < 1000:
        ports, vlans = 24, 4
    elif rows < 10000:
        ports, vlans = 48, 10
    elif rows < 100000:
        ports, vlans = 96, 20
    else:
        ports, vlans = 384, 200
    return Shape(label, ports, vlans, rows)


def generate(shape, path, name, switch_id=0):
    """Writes the recording of `shape` to `path` with gen_switch.py."""
    argv = [sys.executable, os.path.join(HERE, "gen_switch.py"), "--ports", str(shape.ports),
            "--vlans", str(shape.vlans), "--fdb", str(shape.fdb), "--name", name,
            "--id", str(switch_id), "-o", path]
    subprocess.run(argv, check=True)
    return path


def walked_oids(path):
    """The object identifiers of a recording that the program walks (outside the system group)."""
    with open(path) as f:
        for line in f:
            if not line.strip() or line.startswith("#"):
                continue
            oid = line.split("|", 1)[0]
            if not oid.startswith(SYSTEM_GROUP):
                yield oid


def column_of(oid):
    """The column an object belongs to: its identifier without the index."""
    for entry in TABLE_ENTRIES:
        if oid.startswith(entry + "."):
            return entry + "." + oid[len(entry) + 1:].split(".", 1)[0]
    for column in COLUMNS:
        if oid.startswith(column + "."):
            return column
    if oid.endswith(".0"):  # a scalar
        return oid[:-2]
    raise ValueError("%s is in none of the tables gen_switch.py writes" % oid)


def column_rows(path):
    """{column: rows} of a recording, in recording order, outside the system group."""
    rows = collections.OrderedDict()
    for oid in walked_oids(path):
        column = column_of(oid)
        rows[column] = rows.get(column, 0) + 1
    return rows


def expected_responses(rows_per_column, repetitions):
    """The fewest GETBULK responses that walk every column: floor(rows / R) + 1 each."""
    return sum(rows // repetitions + 1 for rows in rows_per_column.values())
