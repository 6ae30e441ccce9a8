"""What every benchmark's run stands on: a fresh home with the stand-in engine, the port free
between runs, and how the figures are printed."""

import os
import platform
import shutil
import statistics
import subprocess
import tempfile
import time

from bench_processes import LineWatcher, port_answers

PORT = 8765


class Home:
    """A fresh home folder, with a space and a non-ASCII letter in its path, holding the
    stand-in engine."""

    def __init__(self, install_script):
        self.path = tempfile.mkdtemp(prefix="vorl bench ø ")
        subprocess.run(["bash", install_script, self.path], check=True, stdout=subprocess.DEVNULL)
        self.engine_folder = os.path.join(self.path, "Library", "Application Support", "VORL Vorudi")
        self.ai = os.path.join(self.engine_folder, "_AI-analyse")
        self.log = os.path.join(self.path, "Library", "Logs", "VORL Vorudi – motor.log")
        self.runtime = os.path.join(self.path, "run")
        os.mkdir(self.runtime, 0o700)

    def environment(self, display):
        env = {name: value for name, value in os.environ.items()
               if name not in ("DBUS_SESSION_BUS_ADDRESS", "WAYLAND_DISPLAY")}
        env.update(HOME=self.path, DISPLAY=display, XDG_RUNTIME_DIR=self.runtime,
                   GTK_A11Y="none", GSETTINGS_BACKEND="memory")
        return env

    def start_engine(self, session, environment, timeout=30.0):
        """Starts the stand-in engine in session; returns its output's watcher once it listens,
        and when it began to."""
        engine = session.start([os.path.join(self.ai, "venv", "bin", "python"), os.path.join(self.ai, "server.py"),
                                "--port", str(PORT)], cwd=self.engine_folder, env=environment,
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        lines = LineWatcher(engine.stdout)
        return lines, lines.wait_for(lambda event: event.get("event") == "listening", timeout)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        shutil.rmtree(self.path, ignore_errors=True)


def wait_for_free_port(timeout=10.0):
    deadline = time.monotonic() + timeout
    while port_answers(PORT):
        if time.monotonic() > deadline:
            raise RuntimeError(f"port {PORT} still answers after a run")
        time.sleep(0.05)


def spread(values, digits=0):
    # "z": a value just below zero, within the clocks' agreement, reads 0 and not -0.
    return "/".join(f"{value:z.{digits}f}" for value in (min(values), statistics.median(values), max(values)))


def print_machine():
    cpu = "unknown"
    with open("/proc/cpuinfo", encoding="utf-8") as cpuinfo:
        for line in cpuinfo:
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break

    def version(package):
        result = subprocess.run(["pkg-config", "--modversion", package], capture_output=True, text=True)
        return result.stdout.strip() or "unknown"

    print(f"machine: {os.cpu_count()} cores, {cpu}, Linux {platform.release()}")
    print(f"versions: WebKitGTK {version('webkitgtk-6.0')}, GTK {version('gtk4')}, Python {platform.python_version()}")
    print_load()


def print_load():
    """Other work on the machine skews the figures; the load average shows how much there was."""
    with open("/proc/loadavg", encoding="ascii") as loadavg:
        print("load average (1/5/15 min): " + " ".join(loadavg.read().split()[:3]))


def print_columns(lines):
    """A table: the first line its header, each cell padded to its column's width."""
    widths = [max(len(line[i]) for line in lines) for i in range(len(lines[0]))]
    for number, line in enumerate(lines):
        print(" | ".join(cell.ljust(width) for cell, width in zip(line, widths)))
        if number == 0:
            print("-+-".join("-" * width for width in widths))
