#!/usr/bin/env python3
"""Drop figures of vorl-vorudi: folders dragged from a GTK drag source onto the engine's page, as a
file manager drags them: one of 10,000 files, and one 20 folders deep. For each: from letting go
to the page's drop handler, from there to the walk's last entry read, the worst answer of the
window to the page while it walks and how late the page's own timers ran, and the memory the app
and its page processes added. The floor takes no folders: there is nothing to compare. Prints
figures only.

The app shows drop_page.html, served by the stand-in engine as its front page, which takes a drop
anywhere and marks what it found in the engine's log."""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "ui"))
from bench_processes import Session, become_subreaper, descendants, port_answers, rss_kib  # noqa: E402
from bench_runs import Home, print_columns, print_load, print_machine  # noqa: E402

PORT = 8765
DROP_AT = (700, 500)  # on the screen, inside the app's page


def make_folders(base):
    wide = os.path.join(base, "Ti tusen")
    os.mkdir(wide)
    for number in range(10000):
        with open(os.path.join(wide, f"lyd {number:05}.wav"), "wb") as cue:
            cue.write(b"RIFF")
    deep = os.path.join(base, "Dyp")
    folder = deep
    for level in range(20):
        folder = os.path.join(folder, f"nivå {level + 1}")
        os.makedirs(folder)
        with open(os.path.join(folder, "lyd.wav"), "wb") as cue:
            cue.write(b"RIFF")
    return {"10,000 files in one folder": wide, "20 folders deep, a file in each": deep}


class MemoryWatch:
    """The most resident memory of a process and everything below it, read every 50 ms."""

    def __init__(self, root):
        self.root, self.peak, self.going = root, 0, True
        self.thread = threading.Thread(target=self._watch, daemon=True)
        self.thread.start()

    def _watch(self):
        while self.going:
            self.peak = max(self.peak, sum(rss_kib(pid) for pid in [self.root] + descendants(self.root)))
            time.sleep(0.05)

    def stop(self):
        self.going = False
        self.thread.join()
        return self.peak / 1024


def one_drop(binaries, folder, environment, session, home, lines):
    from test_drop import DragSource  # noqa: E402  the UI tests' drag source and pointer
    window = session.start([binaries.app], env=environment, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    lines.wait_for(lambda event: event.get("name") == "ready", 30)
    time.sleep(2.0)  # the page has drawn
    before = sum(rss_kib(pid) for pid in [window.pid] + descendants(window.pid)) / 1024
    memory = MemoryWatch(window.pid)
    source = DragSource([folder])
    try:
        source.drag_to(*DROP_AT)
        released = source.released
    finally:
        source.close()
    handled = lines.wait_for(lambda event: event.get("name") == "dropped", 30)
    lines.wait_for(lambda event: str(event.get("name", "")).startswith("walked"), 120)
    peak = memory.stop()
    walked = next(event["name"] for event in lines.events() if str(event.get("name", "")).startswith("walked"))
    files, depth, took, answer, timer = walked.split()[1:]
    window.terminate()
    window.wait(20)
    return {"handler": (handled - released) * 1000, "walk": float(took), "files": int(files), "depth": int(depth),
            "answer": float(answer), "timer": float(timer), "memory": peak - before}


def main():
    arguments = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    arguments.add_argument("app")
    arguments.add_argument("install")
    arguments.add_argument("drag_source")
    binaries = arguments.parse_args()
    if port_answers(PORT):
        sys.exit(f"something already answers on 127.0.0.1:{PORT}; run this in a private network namespace")
    become_subreaper()
    print_machine()
    os.environ["VORL_DRAG_SOURCE"] = binaries.drag_source
    base = tempfile.mkdtemp(prefix="vorl-slipp-")
    table = [("folder", "let go to handler ms", "handler to last entry ms", "files", "levels",
              "worst answer ms", "latest timer ms", "memory added MiB")]
    try:
        folders = make_folders(base)
        shutil.copy(os.path.join(HERE, "drop_page.html"), base)
        for name, folder in folders.items():
            with Home(binaries.install) as home, Session() as session:
                display = session.start_xvfb()
                os.environ["DISPLAY"] = display  # the drag source and the pointer's
                environment = dict(home.environment(display), VORL_STANDIN_FIXTURES=base,
                                   VORL_STANDIN_PAGE="drop_page.html")
                lines, _ = home.start_engine(session, environment)
                row = one_drop(binaries, folder, environment, session, home, lines)
            table.append((name, f"{row['handler']:.0f}", f"{row['walk']:.0f}", str(row["files"]), str(row["depth"]),
                          f"{row['answer']:.0f}", f"{row['timer']:.0f}", f"{row['memory']:+.0f}"))
            print(f"{name}: {row}", flush=True)
        print()
        print_columns(table)
    finally:
        shutil.rmtree(base, ignore_errors=True)
    print_load()


if __name__ == "__main__":
    main()
