"""Process plumbing for the benchmark: a private Xvfb, process trees read from /proc,
timestamped output watching, and a cleanup that leaves no process of a run behind."""

import ctypes
import json
import os
import select
import signal
import socket
import subprocess
import threading
import time

PR_SET_CHILD_SUBREAPER = 36


def become_subreaper():
    """Orphans of our children (an engine outliving the app, say) become our children,
    so the cleanup still finds them under this process."""
    libc = ctypes.CDLL(None, use_errno=True)
    if libc.prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0) != 0:
        raise OSError(ctypes.get_errno(), "prctl(PR_SET_CHILD_SUBREAPER)")


def _stat(pid):
    """(state, ppid) of a process, or None once it is gone."""
    try:
        with open(f"/proc/{pid}/stat", encoding="utf-8", errors="replace") as stat:
            fields = stat.read().rsplit(")", 1)[1].split()
        return fields[0], int(fields[1])
    except (OSError, IndexError, ValueError):
        return None


def descendants(root):
    """Every process below `root`, children before grandchildren."""
    children = {}
    for name in os.listdir("/proc"):
        if name.isdigit():
            stat = _stat(int(name))
            if stat:
                children.setdefault(stat[1], []).append(int(name))
    found, frontier = [], [root]
    while frontier:
        below = children.get(frontier.pop(0), [])
        found += below
        frontier += below
    return found


def is_alive(pid):
    stat = _stat(pid)
    return stat is not None and stat[0] != "Z"


def command_line(pid):
    try:
        with open(f"/proc/{pid}/cmdline", "rb") as cmdline:
            return cmdline.read().replace(b"\0", b" ").decode(errors="replace")
    except OSError:
        return ""


def rss_kib(pid):
    """VmRSS of a process in KiB; 0 for a process that is gone or has no memory (a zombie)."""
    try:
        with open(f"/proc/{pid}/status", encoding="utf-8") as status:
            for line in status:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def cpu_ms(pid):
    """User and system time a process has used so far, in milliseconds."""
    with open(f"/proc/{pid}/stat", encoding="utf-8") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) * 1000 / os.sysconf("SC_CLK_TCK")


class ListenWatcher:
    """Connects to 127.0.0.1:port every 2 ms from a thread of its own, until something
    accepts: the moment an engine starts listening, seen from outside."""

    def __init__(self, port):
        self.listened = None
        self.stopped = threading.Event()
        self.thread = threading.Thread(target=self._watch, args=(port,), daemon=True)
        self.thread.start()

    def _watch(self, port):
        while not self.stopped.is_set():
            with socket.socket() as probe:
                if probe.connect_ex(("127.0.0.1", port)) == 0:
                    self.listened = time.monotonic()
                    return
            time.sleep(0.002)

    def stop(self):
        self.stopped.set()
        self.thread.join()
        return self.listened


def port_answers(port):
    with socket.socket() as probe:
        probe.settimeout(0.5)
        return probe.connect_ex(("127.0.0.1", port)) == 0


class Session:
    """Starts the processes of one run, each in its own process group, and on leaving
    kills every process below this one and reaps it: nothing outlives the run."""

    def __init__(self):
        self.started = []

    def start(self, argv, **options):
        process = subprocess.Popen(argv, start_new_session=True, stdin=subprocess.DEVNULL, **options)
        self.started.append(process)
        return process

    def start_xvfb(self, timeout=10.0):
        """A private X server on a display it picks itself; returns the DISPLAY value."""
        read_end, write_end = os.pipe()
        try:
            self.start(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1920x1080x24", "-nolisten", "tcp"],
                       pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            os.close(write_end)
            write_end = None
            number = b""
            while not number.endswith(b"\n"):
                if not select.select([read_end], [], [], timeout)[0]:
                    raise RuntimeError("Xvfb did not report a display")
                chunk = os.read(read_end, 16)
                if not chunk:
                    raise RuntimeError("Xvfb exited before reporting a display")
                number += chunk
            return ":" + number.decode().strip()
        finally:
            os.close(read_end)
            if write_end is not None:
                os.close(write_end)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        for process in self.started:
            _signal_group(process.pid, signal.SIGKILL)
        for _ in range(50):
            remaining = [pid for pid in descendants(os.getpid()) if is_alive(pid)]
            if not remaining:
                break
            for pid in remaining:
                _signal(pid, signal.SIGKILL)
            time.sleep(0.02)
        for process in self.started:
            process.wait()
        _reap_orphans()


def _signal(pid, number):
    try:
        os.kill(pid, number)
    except ProcessLookupError:
        pass


def _signal_group(pgid, number):
    try:
        os.killpg(pgid, number)
    except ProcessLookupError:
        pass


def _reap_orphans():
    """Collects the exit status of adopted processes, which no Popen object waits for."""
    for pid in descendants(os.getpid()):
        try:
            os.waitpid(pid, os.WNOHANG)
        except ChildProcessError:
            pass


def json_events(lines):
    """The JSON objects among `lines`; other lines (a log header, say) are skipped."""
    for line in lines:
        try:
            event = json.loads(line)
        except ValueError:
            continue
        if isinstance(event, dict):
            yield event


def is_hello(event):
    return event.get("event") == "request" and str(event.get("path", "")).startswith("/api/hello")


def is_drawn(event):
    return event.get("event") == "mark" and event.get("name") == "waveform"


def is_loaded(event):
    return event.get("event") == "request" and event.get("path") == "/api/loaded"


def is_status(event):
    return event.get("event") == "request" and event.get("path") == "/api/status"


def read_trace(path):
    """The start-up phases a window wrote where VORL_STARTUP_TRACE pointed it: each line is
    "<monotonic seconds> <phase>"; the first time of each phase is kept."""
    phases = {}
    try:
        with open(path, encoding="utf-8") as trace:
            for line in trace:
                seconds, _, phase = line.rstrip("\n").partition(" ")
                phases.setdefault(phase, float(seconds))
    except FileNotFoundError:
        pass
    return phases


class LineWatcher:
    """Reads a pipe on a thread and notes when each line arrived (time.monotonic)."""

    def __init__(self, stream):
        self.lines = []
        self.changed = threading.Condition()
        threading.Thread(target=self._read, args=(stream,), daemon=True).start()

    def _read(self, stream):
        for raw in stream:
            arrived = time.monotonic()
            with self.changed:
                self.lines.append((arrived, raw.decode("utf-8", "replace")))
                self.changed.notify_all()

    def events(self):
        """Every JSON object read so far."""
        with self.changed:
            return list(json_events(line for _, line in self.lines))

    def wait_for(self, predicate, timeout):
        """Arrival time of the first JSON line matching `predicate`."""
        deadline = time.monotonic() + timeout
        with self.changed:
            while True:
                for arrived, line in self.lines:
                    if any(predicate(event) for event in json_events([line])):
                        return arrived
                remaining = deadline - time.monotonic()
                if remaining <= 0:
                    raise TimeoutError("no matching line within %g s" % timeout)
                self.changed.wait(remaining)


def poll_file_for(path, predicate, timeout, interval=0.005):
    """Time (time.monotonic) at which a JSON line matching `predicate` was first seen in
    the file at `path`, polled every `interval` seconds."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        seen = time.monotonic()
        if any(predicate(event) for event in read_json_events(path)):
            return seen
        time.sleep(interval)
    raise TimeoutError(f"no matching line in {path} within {timeout:g} s")


def read_json_events(path):
    try:
        with open(path, encoding="utf-8", errors="replace") as log:
            return list(json_events(log))
    except FileNotFoundError:
        return []
