"""The extreme-disco program as the benchmarks run it: its build, its command lines, what its
results file says about SNMP traffic, and counting the SNMP responses it receives.

The build is explicit: a Release tree configured and built here (build-release/, -j2, only the
program and its plug-in), or an existing build tree named by the caller.
"""

import json
import os
import re
import shutil
import subprocess
import tempfile

PROGRAM = "extreme-disco"


class BuildError(Exception):
    """The program could not be built or is not where the build tree should hold it."""


def build_release(source_dir, build_dir, jobs=2):
    """Configures and builds a Release tree of the program; returns the program's path."""
    configure = ["cmake", "-S", source_dir, "-B", build_dir, "-DCMAKE_BUILD_TYPE=Release",
                 "-DDISCO_BUILD_TESTS=OFF"]
    build = ["cmake", "--build", build_dir, "-j%d" % jobs, "--target", PROGRAM, "topology-bench",
             "store-bench", "topology-picture-bench"]
    for step in (configure, build):
        done = subprocess.run(step, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        if done.returncode != 0:
            raise BuildError("%s failed:\n%s" % (" ".join(step),
                                                 done.stdout.decode(errors="replace")[-3000:]))
    return program_in(build_dir)


def program_in(build_dir):
    """The program of an existing build tree."""
    path = os.path.join(os.path.abspath(build_dir), PROGRAM)
    if not os.access(path, os.X_OK):
        raise BuildError("%s is missing: build the tree first" % path)
    return path


def supports_max_repetitions(program):
    """Whether the program takes -Cr (GETBULK max-repetitions): its --help mentions it."""
    done = subprocess.run([program, "--help"], stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    return re.search(r"(^|\s)-Cr\b", done.stdout.decode(errors="replace"), re.M) is not None


def replay_argv(program, recordings_dir, address, results):
    return [program, "--replay", recordings_dir, "--no-ping", "-q", "-o", results, address]


def snmp_argv(program, community, target, results, repetitions=None):
    """One switch over SNMPv2c; repetitions None leaves -Cr out (the program's default)."""
    argv = [program, "-v", "2c", "-c", community]
    if repetitions is not None:
        argv += ["-Cr", str(repetitions)]
    return argv + ["--no-ping", "-q", "-o", results, target]


def scope_argv(program, scope, jobs, results):
    return [program, "--scope", scope, "-j", str(jobs), "--no-ping", "-q", "-o", results]


def responses_in_results(results):
    """The SNMP responses the results file counts over all devices, or None when it has no
    per-device counters ("snmp": {"requests", "responses", "varbinds"})."""
    with open(results) as f:
        devices = json.load(f).get("devices", [])
    counts = [d.get("snmp", {}).get("responses") for d in devices]
    if not counts or any(not isinstance(c, int) for c in counts):
        return None
    return sum(counts)


def strace_available():
    return shutil.which("strace") is not None


def responses_by_strace(argv, agent_port):
    """Runs argv under strace and counts the datagrams it received from the agent's port.

    A call interrupted by another thread is logged in two parts (unfinished, resumed): the two
    are joined before the call is judged.
    """
    # LeakSanitizer cannot run under ptrace: a sanitizer build would fail on it.
    env = dict(os.environ)
    env["ASAN_OPTIONS"] = ":".join(filter(None, [env.get("ASAN_OPTIONS"), "detect_leaks=0"]))
    with tempfile.NamedTemporaryFile(prefix="bench-strace.", suffix=".txt") as trace:
        command = ["strace", "-f", "-qq", "-e", "trace=recvfrom,recvmsg", "-o", trace.name]
        subprocess.run(command + argv, check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, env=env)
        with open(trace.name, errors="replace") as f:
            calls = joined_calls(f)
            return sum(1 for c in calls if received_from(c, agent_port))


def joined_calls(lines):
    """strace -f lines ("PID call...") with each unfinished call joined to its resumption."""
    pending = {}
    for line in lines:
        pid, _, call = line.rstrip("\n").partition(" ")
        if call.endswith("<unfinished ...>"):
            pending[pid] = call[:-len("<unfinished ...>")]
        elif call.startswith("<... "):
            yield pending.pop(pid, "") + call.split("resumed>", 1)[-1]
        else:
            yield call


def received_from(call, port):
    """Whether a traced recvfrom/recvmsg call returned a datagram from `port`."""
    match = re.search(r"=\s*(-?\d+)(\s+E\w+.*)?$", call)
    return (match is not None and int(match.group(1)) > 0 and
            ("sin_port=htons(%d)" % port) in call)
