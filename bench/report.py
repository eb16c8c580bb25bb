"""The benchmark report: tables of measurements, targets, the machine, and the Markdown page.

A Table knows which of its columns hold measurements, so that a run can tell when a table
misses numbers (a size skipped, a run failed) instead of trusting the text of the page.
"""

import datetime
import os
import platform
import subprocess

from measure import Stat, mem_info


class Column:
    """A table column: its header and, for measurements, how a number is written."""

    def __init__(self, header, fmt=None):
        self.header = header
        self.fmt = fmt  # None: text

    @property
    def numeric(self):
        return self.fmt is not None

    def render(self, cell):
        if not self.numeric or not is_number(cell):
            return str(cell)
        if isinstance(cell, Stat):
            if len(cell.values) == 1 or self.fmt(cell.low) == self.fmt(cell.high):
                return self.fmt(cell.median)
            return "%s (%s–%s)" % (self.fmt(cell.median), self.fmt(cell.low),
                                   self.fmt(cell.high))
        return self.fmt(cell)


def is_number(cell):
    return isinstance(cell, (int, float, Stat)) and not isinstance(cell, bool)


def fixed(digits):
    return lambda v: "%.*f" % (digits, v)


def integer(v):
    return "%d" % round(v)


def mib(v):
    return "%.0f" % (v / 2**20)


class Table:
    """Rows of cells under Columns; a cell is a number, a Stat of repeated runs, or text."""

    def __init__(self, columns):
        self.columns = columns
        self.rows = []

    def add(self, *cells):
        if len(cells) != len(self.columns):
            raise ValueError("a row of %d cells in a table of %d columns"
                             % (len(cells), len(self.columns)))
        self.rows.append(list(cells))

    def fail(self, why):
        self.failures.append(why)

    def render(self):
        lines = ["| " + " | ".join(c.header for c in self.columns) + " |",
                 "|" + "|".join("---" if not c.numeric else "---:" for c in self.columns) + "|"]
        for row in self.rows:
            lines.append("| " + " | ".join(c.render(v) for c, v in zip(self.columns, row)) + " |")
        return "\n".join(lines)

    def missing_numbers(self):
        """(first cell of the row, header) of every measurement cell without a number."""
        return [(row[0], c.header) for row in self.rows
                for c, v in zip(self.columns, row) if c.numeric and not is_number(v)]


class Target:
    """A goal beside a measurement: `text`, the measured value (None when not measured) and
    the test it must pass."""

    def __init__(self, text, measured, passes, fmt, why_not_measured="not measured"):
        self.text = text
        self.measured = measured
        self.passes = passes
        self.fmt = fmt
        self.why_not_measured = why_not_measured

    def cells(self):
        if self.measured is None:
            return [self.text, self.why_not_measured, "—"]
        value = float(self.measured)
        return [self.text, self.fmt(value), "pass" if self.passes(value) else "FAIL"]


def targets_table(targets):
    table = Table([Column("target"), Column("measured"), Column("result")])
    for t in targets:
        table.add(*t.cells())
    return table


class Section:
    """One benchmark's part of the page: a title, what its tables mean, the tables, notes."""

    def __init__(self, title, text):
        self.title = title
        self.text = text
        self.tables = []  # (caption, Table)
        self.notes = []
        self.failures = []  # why parts of the benchmark could not finish

    def table(self, caption, table):
        self.tables.append((caption, table))
        return table

    def fail(self, why):
        self.failures.append(why)

    def render(self):
        parts = ["## " + self.title, self.text.strip()]
        for caption, table in self.tables:
            if caption:
                parts.append(caption)
            parts.append(table.render())
        parts += ["- " + n for n in self.notes] if self.notes else []
        parts += ["**Not finished:** " + why for why in self.failures]
        return "\n\n".join(parts)

    def missing_numbers(self):
        found = ["%s: %s" % (self.title, why) for why in self.failures]
        for caption, table in self.tables:
            found += ["%s, %s: %s" % (self.title, row, header)
                      for row, header in table.missing_numbers()]
        return found


def cpu_model():
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                return line.split(":", 1)[1].strip()
    return platform.processor() or "unknown"


def source_commit(source_dir):
    """The commit of the source tree, marked when the tree has changes not committed."""
    def git(*args):
        return subprocess.run(["git", "-C", source_dir] + list(args), stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL).stdout.decode().strip()
    commit = git("rev-parse", "--short=12", "HEAD") or "unknown"
    changed = git("status", "--porcelain", "--untracked-files=no")
    return commit + (" (with changes not committed)" if changed else "")


def package_version(name):
    """The installed Debian package's version ("not installed" when it is not)."""
    done = subprocess.run(["dpkg-query", "-W", "-f=${Version}", name], stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL)
    return done.stdout.decode().strip() or "not installed"


def load_average():
    return "%.1f / %.1f / %.1f" % os.getloadavg()


def machine_lines(source_dir, program, started, load_at_start):
    """The list under the title: machine, date, commit, program, tools, load."""
    return [
        "- Machine: %s, %d cores, %.1f GiB memory; %s %s" % (
            cpu_model(), os.cpu_count() or 0, mem_info("MemTotal") / 2**30, platform.system(),
            platform.release()),
        "- Date: " + started.strftime("%Y-%m-%d %H:%M UTC"),
        "- Commit: " + source_commit(source_dir),
        "- Program: `%s`" % os.path.relpath(program, source_dir),
        "- Tools: snmpsim %s, net-snmp %s (Debian packages)" % (package_version("snmpsim"),
                                                               package_version("snmp")),
        "- Load average (1 / 5 / 15 min) at the start: %s; at the end: %s. The machine is "
        "shared: other work running beside the benchmarks shows in the walls." % (
            load_at_start, load_average()),
    ]


def now():
    return datetime.datetime.now(datetime.timezone.utc)


def render_page(preamble, machine, sections):
    parts = [preamble.strip(), "\n".join(machine)] + [s.render() for s in sections]
    return "\n\n".join(parts) + "\n"


def section_key(text):
    """'## 7. Inventory store' -> 7 (the order of the page); None for text before a section."""
    head = text.split(".", 1)[0]
    return int(head[3:]) if head.startswith("## ") and head[3:].isdigit() else None


def merge_page(old_text, machine, sections):
    """The page `old_text` with `sections` measured anew in place of (or beside) its own, each
    new one saying where and when it was measured; the other sections and the page's head (the
    machine of the run that measured them) stay as they were."""
    parts = old_text.split("\n## ")
    head, kept = parts[0], {}
    for part in parts[1:]:
        key = section_key("## " + part)
        if key is not None:
            kept[key] = "## " + part.strip()
    for section in sections:
        title, _, rest = section.render().partition("\n\n")
        machine_text = "Measured on its own, not with the rest of this page:\n\n" + \
            "\n".join(machine)
        kept[section_key(title)] = "\n\n".join([title, machine_text, rest])
    return "\n\n".join([head.strip()] + [kept[k] for k in sorted(kept)]) + "\n"


def write_page(path, text):
    """Writes the page whole or not at all."""
    directory = os.path.dirname(os.path.abspath(path))
    os.makedirs(directory, exist_ok=True)
    partial = path + ".partial"
    with open(partial, "w") as f:
        f.write(text)
    os.replace(partial, path)
