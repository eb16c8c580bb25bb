"""A throwaway PostgreSQL server for the benchmarks: initdb and pg_ctl from Debian's PostgreSQL 15
in a fresh temporary folder, listening on a Unix socket in that folder only (no TCP), run as
'nobody' when we are root (PostgreSQL refuses to run as root). The same server the C++ tests
start (tests/support/PostgresServer), for the benchmarks written in Python.
"""

import os
import pwd
import shutil
import subprocess
import tempfile

BIN = "/usr/lib/postgresql/15/bin"


class PostgresError(Exception):
    """The server could not be made or started; the message says which step and why."""


def installed():
    return os.access(os.path.join(BIN, "pg_ctl"), os.X_OK)


class PostgresServer:
    """Use as a context manager: the server runs inside the `with` and is gone after it."""

    def __init__(self, durable=True):
        self.durable = durable  # False: no fsync at all (faster, for what is not measured)
        self.folder = None
        self.running = False

    def __enter__(self):
        self.start()
        return self

    def __exit__(self, *exc):
        self.stop()

    def uri(self, database="postgres"):
        return "postgresql:///%s?host=%s&user=postgres" % (database, self.folder)

    def _run(self, program, args):
        user = {}
        if os.geteuid() == 0:
            user = dict(user="nobody", group="nogroup", extra_groups=[])
        with open(os.path.join(self.folder, "setup.log"), "ab") as log:
            status = subprocess.run([os.path.join(BIN, program)] + args, stdin=subprocess.DEVNULL,
                                    stdout=log, stderr=subprocess.STDOUT, **user).returncode
        if status != 0:
            raise PostgresError("%s exited with %d: %s" % (program, status, self._tail()))

    def _tail(self):
        text = ""
        for name in ("setup.log", "server.log"):
            try:
                with open(os.path.join(self.folder, name), "rb") as f:
                    text += f.read()[-1500:].decode("utf-8", "replace")
            except OSError:
                pass
        return text.strip()

    def start(self):
        if not installed():
            raise PostgresError("PostgreSQL 15 is not installed (%s/pg_ctl)" % BIN)
        self.folder = tempfile.mkdtemp(prefix="disco-bench-pg-")
        if os.geteuid() == 0:
            nobody = pwd.getpwnam("nobody")
            os.chown(self.folder, nobody.pw_uid, nobody.pw_gid)
        data = os.path.join(self.folder, "data")
        self._run("initdb", ["-D", data, "-U", "postgres", "-A", "trust", "-E", "UTF8",
                             "--no-locale", "--no-sync", "--no-instructions"])
        settings = "-c listen_addresses='' -c unix_socket_directories='%s'" % self.folder
        if not self.durable:
            settings += " -c fsync=off -c synchronous_commit=off -c full_page_writes=off"
        self.running = True  # from here on stop() tries, even when start fails half-way
        self._run("pg_ctl", ["-D", data, "-l", os.path.join(self.folder, "server.log"), "-w",
                             "-t", "60", "-o", settings, "start"])

    def stop(self):
        if self.running:
            try:
                self._run("pg_ctl", ["-D", os.path.join(self.folder, "data"), "-m", "immediate",
                                     "-w", "stop"])
            except PostgresError:
                pass
            self.running = False
        if self.folder:
            shutil.rmtree(self.folder, ignore_errors=True)
            self.folder = None
