"""The stand-in engine's log: one JSON line per event on standard output."""

import json
import sys
import threading
import time

LOG_LOCK = threading.Lock()


def log_event(event, **fields):
    # t: the monotonic clock, which other processes on the machine read alike (benchmarks). One
    # write per line, under a lock: requests are handled on threads of their own, and print()
    # writes a line and its line feed apart.
    line = json.dumps({"event": event, **fields, "t": time.monotonic()}, ensure_ascii=False) + "\n"
    with LOG_LOCK:
        sys.stdout.write(line)
        sys.stdout.flush()
