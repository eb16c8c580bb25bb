"""Starts and stops snmpsimd processes that serve recordings on loopback addresses.

Each Simulator is one snmpsimd process: it serves every recording of its data directory (the
community is the file's name) on each of its endpoints. Run as root, snmpsimd must run as
nobody: the child drops to nobody before it starts, and asks to be killed when the driver dies,
so that no simulator outlives a benchmark even when the driver is killed. Simulators is a
context manager that stops every simulator it started, also on errors and Ctrl-C.
"""

import ctypes
import os
import shutil
import signal
import socket
import subprocess
import time

SNMPSIMD = "/usr/bin/snmpsimd"
SYS_NAME = "1.3.6.1.2.1.1.5.0"
PR_SET_PDEATHSIG = 1


class SimulatorError(Exception):
    """A simulator could not be started or did not answer."""


def installed():
    """Whether snmpsimd and net-snmp's command-line tools are there."""
    return os.access(SNMPSIMD, os.X_OK) and all(shutil.which(t) for t in ("snmpget",
                                                                          "snmpbulkwalk"))


def check_loopback(address):
    """Refuses any address outside 127.0.0.0/8: benchmarks talk to this machine only."""
    if not address.startswith("127.") or len(address.split(".")) != 4:
        raise SimulatorError("%s is not a loopback address" % address)


def port_is_free(address, port):
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
        try:
            s.bind((address, port))
            return True
        except OSError:
            return False


def free_port(addresses, first=16161, last=16999):
    """A UDP port free on every one of the addresses."""
    for port in range(first, last + 1):
        if all(port_is_free(a, port) for a in addresses):
            return port
    raise SimulatorError("no UDP port free on %s in %d..%d" % (", ".join(addresses), first, last))


def _die_with_parent():
    """Runs in the child after it changed its identity, which would clear the setting."""
    libc = ctypes.CDLL(None, use_errno=True)
    libc.prctl(PR_SET_PDEATHSIG, signal.SIGTERM)


class Simulator:
    """One snmpsimd serving `recordings` ({community: file}) on `endpoints` [(address, port)]."""

    def __init__(self, workdir, recordings, endpoints):
        for address, _ in endpoints:
            check_loopback(address)
        self.dir = workdir
        self.recordings = dict(recordings)
        self.endpoints = list(endpoints)
        self.process = None

    def start(self):
        self._prepare_dirs()
        argv = [SNMPSIMD, "--data-dir=" + os.path.join(self.dir, "data"),
                "--cache-dir=" + os.path.join(self.dir, "cache"),
                # Logging every varbind would cost the simulator more than answering.
                "--logging-method=null",
                # snmpsimd cuts a GETBULK answer to 64 varbinds by default.
                "--max-varbinds=1000"]
        argv += ["--agent-udpv4-endpoint=%s:%d" % e for e in self.endpoints]
        identity = {}
        if os.geteuid() == 0:
            argv += ["--process-user=nobody", "--process-group=nogroup"]
            identity = dict(user="nobody", group="nogroup", extra_groups=[])
        log = open(os.path.join(self.dir, "snmpsimd.out"), "wb")
        with log:
            self.process = subprocess.Popen(argv, stdin=subprocess.DEVNULL, stdout=log,
                                            stderr=subprocess.STDOUT, preexec_fn=_die_with_parent,
                                            **identity)

    def _prepare_dirs(self):
        data = os.path.join(self.dir, "data")
        cache = os.path.join(self.dir, "cache")
        os.makedirs(data)
        os.makedirs(cache)
        for path in (self.dir, data):
            os.chmod(path, 0o755)
        if os.geteuid() == 0:
            shutil.chown(cache, "nobody", "nogroup")
        for community, source in self.recordings.items():
            target = os.path.join(data, community + ".snmprec")
            try:
                os.link(source, target)
            except OSError:
                shutil.copyfile(source, target)
            os.chmod(target, 0o644)

    def wait_until_answering(self, timeout=180):
        """Waits until every endpoint answers a GET of sysName.0 (the index is built first)."""
        community = next(iter(self.recordings))
        deadline = time.monotonic() + timeout
        for address, port in self.endpoints:
            while not self._answers(address, port, community):
                if self.process.poll() is not None:
                    raise SimulatorError("snmpsimd exited with %d during start-up: %s"
                                         % (self.process.returncode, self.log_tail()))
                if time.monotonic() > deadline:
                    raise SimulatorError("snmpsimd did not answer on %s:%d within %d s: %s"
                                         % (address, port, timeout, self.log_tail()))
                time.sleep(0.2)

    @staticmethod
    def _answers(address, port, community):
        probe = ["snmpget", "-v2c", "-c", community, "-t", "1", "-r", "0", "-Oqv",
                 "%s:%d" % (address, port), SYS_NAME]
        return subprocess.run(probe, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL).returncode == 0

    def log_tail(self, size=1500):
        try:
            with open(os.path.join(self.dir, "snmpsimd.out"), "rb") as f:
                return f.read()[-size:].decode("utf-8", "replace").strip()
        except OSError:
            return ""

    def stop(self):
        """Stops the process: SIGTERM, then SIGKILL after 5 s."""
        if self.process is None or self.process.poll() is not None:
            return
        self.process.terminate()
        try:
            self.process.wait(5)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()


class Simulators:
    """Several simulators, started together and stopped on every way out of the `with`."""

    def __init__(self):
        self.started = []

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop_all()

    def start(self, simulators, timeout=180):
        for s in simulators:
            self.started.append(s)
            s.start()
        for s in simulators:
            s.wait_until_answering(timeout)

    def stop_all(self):
        while self.started:
            self.started.pop().stop()
