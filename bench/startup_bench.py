#!/usr/bin/env python3
"""Start-up, memory and quit figures of vorl-vorudi against the floor, a bare GTK window
with a web view. Prints figures only; nothing here passes or fails on time.

Run it where nothing else answers on 127.0.0.1:8765 (run_bench.sh uses a private
network namespace)."""

import argparse
import os
import select
import shutil
import signal
import statistics
import subprocess
import sys
import time

from bench_processes import (ListenWatcher, Session, become_subreaper, command_line, cpu_ms,
                             descendants, is_alive, is_drawn, is_hello, is_loaded, is_status, poll_file_for,
                             port_answers, read_json_events, read_trace, rss_kib)
from bench_runs import Home, print_columns, print_load, print_machine, spread, wait_for_free_port
from log_throughput import print_throughput

PORT = 8765
URL = f"http://127.0.0.1:{PORT}/"
LOAD_TIMEOUT = 30.0
QUIT_TIMEOUT = 20.0
SETTLE = 1.0  # seconds between the page's script running (or its drawing) and a reading or SIGTERM
IDLE = 5.0  # seconds the window's CPU time is read over while its page is idle
# Seconds from the page's drawing to the idle reading: for about four seconds after a page has
# drawn, the toolkit's rendering keeps the window's process busy, in the floor's as in the app's.
QUIET = 6.0
# The phases of a start, as the windows trace them (VORL_STARTUP_TRACE) and the engine logs the
# page's first call; the floor has no splash and no probe.
PHASES = [
    ("main", "main"),
    ("window mapped", "window mapped"),
    ("splash committed", "committed about:blank"),
    ("probe answered", "probe answered"),
    ("engine page requested", "load requested " + URL),
    ("engine page committed", "committed " + URL),
    ("page script ran", None),
]


def window_argv(kind, binaries):
    return [binaries.app] if kind == "app" else [binaries.floor, URL]


def start_window(session, kind, binaries, home, display):
    """Starts the app or the floor; returns (process, start time, path of its output, path of
    its start-up trace)."""
    output_path = os.path.join(home.path, f"{kind}-output.txt")
    trace_path = os.path.join(home.path, f"{kind}-trace.txt")
    environment = dict(home.environment(display), VORL_STARTUP_TRACE=trace_path)
    with open(output_path, "wb") as output:
        started = time.monotonic()
        window = session.start(window_argv(kind, binaries), env=environment, stdout=output, stderr=subprocess.STDOUT)
    return window, started, output_path, trace_path


def phase_times(trace_path, window_started, script_ran):
    """Milliseconds from the window's process start to each phase it reached."""
    trace = read_trace(trace_path)
    times = {name: (trace[phase] - window_started) * 1000 for name, phase in PHASES if phase in trace}
    times["page script ran"] = (script_ran - window_started) * 1000
    return times


def tree_rss_mib(root):
    """Resident memory of `root` and everything below it except the Python engine: in all, of
    the window's own process, and of its web processes."""
    engines = set()
    for pid in descendants(root):
        if "server.py" in command_line(pid):
            engines.add(pid)
            engines.update(descendants(pid))
    pids = [root] + [pid for pid in descendants(root) if pid not in engines]
    web = [pid for pid in pids if "WebKitWebProcess" in command_line(pid)]
    return (sum(rss_kib(pid) for pid in pids) / 1024, rss_kib(root) / 1024, sum(rss_kib(pid) for pid in web) / 1024)


def terminate_and_time(window):
    # Waiting on a process descriptor wakes at the exit itself; Popen.wait with a time-out
    # polls in steps of up to 50 ms, which the figure would show.
    exited = os.pidfd_open(window.pid)
    try:
        started = time.monotonic()
        window.send_signal(signal.SIGTERM)
        select.select([exited], [], [], QUIT_TIMEOUT)
        elapsed = (time.monotonic() - started) * 1000
    finally:
        os.close(exited)
    window.wait(QUIT_TIMEOUT)
    return elapsed


def describe_failure(kind, output_path, window):
    try:
        with open(output_path, encoding="utf-8", errors="replace") as output:
            tail = output.read()[-2000:]
    except OSError:
        tail = ""
    threads = ""
    if window.poll() is None and shutil.which("gdb"):
        trace = subprocess.run(["gdb", "-p", str(window.pid), "-batch", "-ex", "thread apply all bt 25"],
                               capture_output=True, text=True, timeout=60)
        threads = "\nwhere its threads were:\n" + trace.stdout[-8000:]
    return f"{kind} run failed; its output ended with:\n{tail}{threads}"


def engine_already_up(kind, binaries):
    """The stand-in is started here first; then the app or the floor. Returns the stand-in's
    time to "listening", the window's time to the page's /api/hello, its resident memory
    one second after the page has drawn its waveform, and its time from SIGTERM to exit."""
    with Home(binaries.install) as home, Session() as session:
        display = session.start_xvfb()
        started = time.monotonic()
        engine_lines, listening = home.start_engine(session, home.environment(display), LOAD_TIMEOUT)

        window, window_started, output, trace = start_window(session, kind, binaries, home, display)
        try:
            hello = engine_lines.wait_for(is_hello, LOAD_TIMEOUT)
            # The page is idle once it has decoded and drawn its notes, which it does after loading.
            drawn = engine_lines.wait_for(is_drawn, LOAD_TIMEOUT)
            time.sleep(max(0.0, drawn + SETTLE - time.monotonic()))
            memory, ui_memory, web_memory = tree_rss_mib(window.pid)
            # The app watches the user's own engine by its port meanwhile; the floor does nothing.
            time.sleep(max(0.0, drawn + QUIET - time.monotonic()))
            cpu_before = cpu_ms(window.pid)
            time.sleep(IDLE)
            idle_cpu = cpu_ms(window.pid) - cpu_before
            quit_ms = terminate_and_time(window)
        except Exception as error:
            raise RuntimeError(describe_failure(kind, output, window)) from error
        script_ran = next(event["t"] for event in engine_lines.events() if is_hello(event))
        return {"standin": (listening - started) * 1000, "startup": (hello - window_started) * 1000,
                "memory": memory, "ui_memory": ui_memory, "web_memory": web_memory, "quit": quit_ms,
                "idle_cpu": idle_cpu,
                "phases": phase_times(trace, window_started, script_ran)}


def app_launches_engine(binaries):
    """No engine runs; the app launches the installed stand-in. Returns the time to the
    page's /api/hello in the engine log, the time from SIGTERM to the app's exit, whether
    the engine logged the quit request, and whether it was gone when the app had exited."""
    with Home(binaries.install) as home, Session() as session:
        display = session.start_xvfb()
        listening = ListenWatcher(PORT)
        window, window_started, output, trace = start_window(session, "app", binaries, home, display)
        try:
            poll_file_for(home.log, is_loaded, LOAD_TIMEOUT)
            listened = listening.stop()
            hello = poll_file_for(home.log, is_hello, LOAD_TIMEOUT)
            time.sleep(max(0.0, hello + SETTLE - time.monotonic()))
            events = read_json_events(home.log)
            engine_pids = [event["pid"] for event in events if event.get("event") == "start"]
            quit_ms = terminate_and_time(window)
        except Exception as error:
            raise RuntimeError(describe_failure("app", output, window)) from error
        engine_gone = all(not is_alive(pid) for pid in engine_pids)
        # The engine's guard writes the log a moment after the engine has written it.
        try:
            poll_file_for(home.log, lambda event: event.get("event") == "quit", 2.0)
            quit_seen = True
        except TimeoutError:
            quit_seen = False
        events = read_json_events(home.log)
        # The engine answers every status request once it listens; the first it logs is the
        # first it answered.
        first_answer = next(event["t"] for event in events if is_status(event))
        page_requested = read_trace(trace).get("load requested " + URL, float("nan"))
        page_loaded = next(event["t"] for event in events if is_loaded(event))
        return {"startup": (hello - window_started) * 1000, "quit": quit_ms,
                "loaded_after_listening": (page_loaded - listened) * 1000,
                "status_requests_before_page": sum(1 for event in events if is_status(event)
                                                   and event["t"] < page_requested),
                "quit_seen": quit_seen, "engine_gone": engine_gone,
                "answered_to_requested": (page_requested - first_answer) * 1000}


def one_round(binaries):
    rows = {}
    for kind in ("app", "floor"):
        rows[kind] = engine_already_up(kind, binaries)
        wait_for_free_port()
    rows["launch"] = app_launches_engine(binaries)
    wait_for_free_port()
    return rows


def print_table(rounds):
    def column(kind, key):
        return [round_[kind][key] for round_ in rounds]

    standin = column("floor", "standin")
    floor_up = column("floor", "startup")
    floor_launch = [up + alone for up, alone in zip(floor_up, standin)]
    rows = [
        ("start-up, engine already up (ms)", column("app", "startup"), floor_up, 0),
        ("start-up, app launches the engine (ms)", column("launch", "startup"), floor_launch, 0),
        ("resident memory after load (MiB)", column("app", "memory"), column("floor", "memory"), 1),
        ("- of which the window's own process", column("app", "ui_memory"), column("floor", "ui_memory"), 1),
        ("- of which its web processes", column("app", "web_memory"), column("floor", "web_memory"), 1),
        ("quit to exit, launched engine (ms)", column("launch", "quit"), column("floor", "quit"), 0),
        (f"CPU of the window's process, page idle {IDLE:.0f} s (ms)", column("app", "idle_cpu"),
         column("floor", "idle_cpu"), 0),
    ]
    header = ("scenario", "app min/median/max", "floor min/median/max", "ratio (median)")
    def ratio(app, floor):
        return f"{statistics.median(app) / statistics.median(floor):.2f}" if statistics.median(floor) else "-"

    print()
    print_columns([header] + [(name, spread(app, digits), spread(floor, digits), ratio(app, floor))
                              for name, app, floor, digits in rows])
    print()
    print_phases(rounds)
    print()
    print(f"stand-in alone, process start to \"listening\" (ms): {spread(standin)} "
          "(added to the floor's engine-already-up figure for the launch row)")
    print("app launches the engine: engine answered its first status request -> engine page requested (ms): "
          f"{spread(column('launch', 'answered_to_requested'))}")
    print("cold start: page loaded (its POST /api/loaded) after the engine started listening (seen by a client "
          f"connecting every 2 ms) (ms): {spread(column('launch', 'loaded_after_listening'))}; status requests "
          f"before the page was requested: {spread(column('launch', 'status_requests_before_page'))}")
    runs = len(rounds)
    print(f"engine got the quit request: {sum(column('launch', 'quit_seen'))}/{runs} runs; "
          f"engine gone when the app had exited: {sum(column('launch', 'engine_gone'))}/{runs} runs")


def print_phases(rounds):
    """Median milliseconds from process start to each phase, engine already up."""
    def median(kind, phase):
        values = [round_[kind]["phases"][phase] for round_ in rounds if phase in round_[kind]["phases"]]
        return statistics.median(values) if values else None

    header = ("phase, engine already up (median ms from process start)", "app", "floor", "app - floor")
    lines = [header]
    for phase, _ in PHASES:
        app, floor = median("app", phase), median("floor", phase)
        cells = [f"{value:.0f}" if value is not None else "-" for value in (app, floor)]
        difference = f"{app - floor:+.0f}" if app is not None and floor is not None else "-"
        lines.append((phase, *cells, difference))
    print_columns(lines)


def main():
    arguments = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    arguments.add_argument("app", help="path of the vorl-vorudi binary")
    arguments.add_argument("floor", help="path of the vorl_bench_floor binary")
    arguments.add_argument("install", help="path of standin/install.sh")
    arguments.add_argument("guard", help="path of the vorl-motorvakt binary")
    arguments.add_argument("--runs", type=int, default=5)
    binaries = arguments.parse_args()

    if port_answers(PORT):
        sys.exit(f"something already answers on 127.0.0.1:{PORT}; run this in a private network namespace")
    become_subreaper()
    # Leave through the cleanup of the run in progress when stopped as well.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    print_machine()
    # One unrecorded round first, so that every recorded one starts with the same warm file cache.
    print("warm-up round …", flush=True)
    one_round(binaries)
    rounds = []
    for number in range(1, binaries.runs + 1):
        rows = one_round(binaries)
        rounds.append(rows)
        print(f"round {number}: app {rows['app']['startup']:.0f} ms, floor {rows['floor']['startup']:.0f} ms, "
              f"launch {rows['launch']['startup']:.0f} ms (page loaded {rows['launch']['loaded_after_listening']:.0f} "
              f"ms after the engine listened), quit {rows['launch']['quit']:.0f} ms", flush=True)
    print_table(rounds)
    print()
    print_throughput(binaries.guard)
    print_load()


if __name__ == "__main__":
    main()
