"""The stand-in engine's test hooks (see server.py's opening words): how it starts, runs and ends
where a test asks it to misbehave."""

import os
import signal
import subprocess
import sys
import threading
import time

from engine_log import log_event


def start_helper():
    """A worker of the engine's: it stays in the engine's process group and runs until signalled."""
    helper = subprocess.Popen([sys.executable, "-c", "import time\nwhile True: time.sleep(60)"])
    log_event("helper", pid=helper.pid)


def handle_termination():
    """SIGTERM ends the engine at once, unless a hook makes it careful or deaf."""
    delay = os.environ.get("VORL_STANDIN_EXIT_DELAY")
    ignore = os.environ.get("VORL_STANDIN_IGNORE_TERM") == "1"

    def terminated(signal_number, frame):
        log_event("sigterm", ignored=ignore)
        if ignore:
            return
        if delay:
            signal.signal(signal.SIGTERM, signal.SIG_IGN)  # a second SIGTERM must not cut it short
            time.sleep(float(delay))
            log_event("cleaned-up", seconds=float(delay))
        os._exit(0)

    if delay or ignore:
        signal.signal(signal.SIGTERM, terminated)


def run_test_hooks_once_listening():
    mebibytes = os.environ.get("VORL_STANDIN_WRITE_MIB")
    if mebibytes:
        threading.Thread(target=write_lines, args=(int(mebibytes),), daemon=True).start()
    crash_after = os.environ.get("VORL_STANDIN_EXIT_AFTER")
    if crash_after:
        def crash():
            time.sleep(float(crash_after))
            print("RuntimeError: standin gave up after %s s" % crash_after, file=sys.stderr, flush=True)
            os._exit(3)
        threading.Thread(target=crash, daemon=True).start()


def write_lines(mebibytes):
    """Lines of 100 bytes, numbered from 0: "<number, 9 digits> xxx...\\n"."""
    padding = "x" * 89
    count = mebibytes * 1024 * 1024 // 100
    out = sys.stdout
    for number in range(count):
        out.write("%09d %s\n" % (number, padding))
    out.flush()
    log_event("written", lines=count)


def run_test_hooks_before_listening():
    exit_code = os.environ.get("VORL_STANDIN_EXIT_AT_START")
    if exit_code is not None:
        log_event("exit-at-start", code=int(exit_code))
        sys.exit(int(exit_code))
    delay = os.environ.get("VORL_STANDIN_STARTUP_DELAY")
    if delay:
        log_event("startup-delay", seconds=float(delay))
        time.sleep(float(delay))
