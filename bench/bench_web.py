"""Benchmark 8: the web view (`extreme-disco serve`) over the inventory store of the synthetic
network of benchmark 7, 1,000 switches and 200,000 hosts (two runs, written by store-bench).

The map page's first paint in headless Chromium (bench/web_paint.py), the server time of switch
pages and of searches (the Server-Timing header the view sends, so the client's own time is left
out), and 50 clients at once fetching random switch pages over kept-alive connections for a
while: pages per second and errors.
"""

import http.client
import os
import random
import shutil
import statistics
import subprocess
import tempfile
import threading
import time

from report import Column, Section, Table, Target, fixed, integer, targets_table

TEXT = """
`store-bench --runs 2 --switches S --hosts H --store sqlite --keep FILE` writes the network of
benchmark 7 (S switches of 48 ports linked as a tree, H hosts on access ports) twice into an
SQLite store; `extreme-disco serve --db FILE` serves it on loopback. *Map first paint*: headless
Chromium's first contentful paint of `/` (the map is part of the page), from the navigation's
start, median of 3 loads after a first one. *Switch page* and *search*: the server's time of
`/switch/NAME` (random switches) and `/search?q=MAC` (random hosts, MAC in dotted notation),
from its `Server-Timing` header, median of 200. *50 clients*: the build's `web-bench-clients`,
50 threads each with one kept-alive connection (cpp-httplib's client), fetching random switch
pages for 10 s, on the same machine as the server.
"""

TARGET_SIZE = (1000, 200000)
PAINT_LIMIT_MS = 2000
PAGE_LIMIT_MS = 100
SEARCH_LIMIT_MS = 20
RATE_LIMIT = 500
CLIENTS = 50


def parse_size(text):
    switches, hosts = text.split(":")
    return int(switches), int(hosts)


def mac(n):
    return "0200.%02x%02x.%02x%02x" % (n >> 24 & 255, n >> 16 & 255, n >> 8 & 255, n & 255)


def server_ms(conn, path):
    conn.request("GET", path)
    response = conn.getresponse()
    response.read()
    if response.status != 200:
        raise RuntimeError("%s: HTTP %d" % (path, response.status))
    timing = response.getheader("Server-Timing", "")
    return float(timing.split("dur=")[1])


def clients(ctx, address, switches, seconds):
    """Pages per second and errors of CLIENTS clients fetching switch pages for `seconds`: the
    build's web-bench-clients (C++, so that the clients' own time stays small), else threads
    here."""
    program = os.path.join(os.path.dirname(ctx.program), "web-bench-clients")
    if os.access(program, os.X_OK):
        host, port = address.rsplit(":", 1)
        out = subprocess.run([program, host, port, str(CLIENTS), str(seconds), str(switches)],
                             capture_output=True, text=True, check=True, timeout=seconds + 120)
        rate, errors = out.stdout.split()
        return float(rate), int(errors)
    counts = [0] * CLIENTS
    errors = [0] * CLIENTS
    stop = time.time() + seconds

    def client(i):
        rng = random.Random(i)
        conn = http.client.HTTPConnection(address, timeout=30)
        while time.time() < stop:
            try:
                conn.request("GET", "/switch/sw-%04d" % rng.randrange(switches))
                response = conn.getresponse()
                response.read()
                if response.status == 200:
                    counts[i] += 1
                else:
                    errors[i] += 1
                if response.will_close:
                    conn.close()
                    conn = http.client.HTTPConnection(address, timeout=30)
            except (OSError, http.client.HTTPException):
                errors[i] += 1
                conn.close()
                conn = http.client.HTTPConnection(address, timeout=30)
        conn.close()

    threads = [threading.Thread(target=client, args=(i,)) for i in range(CLIENTS)]
    start = time.time()
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    return sum(counts) / (time.time() - start), sum(errors)


def run(ctx, size, seconds=10, browser=True):
    switches, hosts = parse_size(size)
    section = Section("8. Web view", TEXT + "\n%d switches and %d hosts.\n" % (switches, hosts))
    table = section.table("", Table([
        Column("switches"), Column("hosts"), Column("map first paint ms"),
        Column("switch page ms", fixed(2)), Column("search ms", fixed(2)),
        Column("50 clients pages/s", integer), Column("errors", integer)]))
    bench = os.path.join(os.path.dirname(ctx.program), "store-bench")
    if not os.access(bench, os.X_OK):
        section.fail("%s is missing: build the tree's store-bench target" % bench)
        return section
    work = tempfile.mkdtemp(prefix="web-bench-")
    server = None
    try:
        db = os.path.join(work, "inventory.db")
        ctx.log("web view: writing %d switches, %d hosts" % (switches, hosts))
        subprocess.run([bench, "--runs", "2", "--switches", str(switches), "--hosts", str(hosts),
                        "--store", "sqlite", "--keep", db], check=True,
                       stdout=subprocess.DEVNULL)
        server = subprocess.Popen([ctx.program, "serve", "--db", db, "--listen", "127.0.0.1:0"],
                                  stdout=subprocess.PIPE, text=True)
        line = server.stdout.readline()
        if " is at http://" not in line:
            section.fail("serve did not start: %r" % line)
            return section
        address = line.split(" is at http://")[1].split("/")[0]
        conn = http.client.HTTPConnection(address, timeout=60)
        server_ms(conn, "/")  # draws the map once
        rng = random.Random(7)
        pages = [server_ms(conn, "/switch/sw-%04d" % rng.randrange(switches))
                 for _ in range(200)]
        searches = [server_ms(conn, "/search?q=" + mac(rng.randrange(hosts)))
                    for _ in range(200)]
        conn.close()
        paint = None
        python = "/usr/bin/python3"
        if browser and shutil.which("chromedriver") and os.access(python, os.X_OK):
            out = subprocess.run([python, os.path.join(os.path.dirname(__file__), "web_paint.py"),
                                  "http://%s/" % address, "4"], capture_output=True, text=True,
                                 timeout=600)
            times = [float(l.split()[0]) for l in out.stdout.splitlines() if l.strip()]
            if len(times) == 4:
                paint = statistics.median(times[1:])
            else:
                ctx.log("web view: no paint time: %s" % out.stderr[-500:])
        rate, errors = clients(ctx, address, switches, seconds)
        table.add(switches, hosts, "%d" % paint if paint is not None else "not measured",
                  statistics.median(pages), statistics.median(searches), rate, errors)
        full = (switches, hosts) == TARGET_SIZE
        targets = [
            Target("map page first paint within %d ms" % PAINT_LIMIT_MS, full and paint or None,
                   lambda x: x <= PAINT_LIMIT_MS, integer, "size not run or no browser"),
            Target("switch page within %d ms of server time (median)" % PAGE_LIMIT_MS,
                   full and statistics.median(pages) or None, lambda x: x <= PAGE_LIMIT_MS,
                   fixed(2), "size not run"),
            Target("search within %d ms of server time (median)" % SEARCH_LIMIT_MS,
                   full and statistics.median(searches) or None, lambda x: x <= SEARCH_LIMIT_MS,
                   fixed(2), "size not run"),
            Target("%d clients: at least %d switch pages/s" % (CLIENTS, RATE_LIMIT),
                   full and rate or None, lambda x: x >= RATE_LIMIT, integer, "size not run"),
            Target("%d clients: no error" % CLIENTS, errors if full else None,
                   lambda x: x == 0, integer, "size not run")]
        section.table("Targets:", targets_table(targets))
    except (subprocess.SubprocessError, OSError, RuntimeError, ValueError) as e:
        section.fail("web view benchmark failed: %s" % e)
    finally:
        if server is not None:
            server.terminate()
            server.wait(timeout=30)
        shutil.rmtree(work, ignore_errors=True)
    return section
