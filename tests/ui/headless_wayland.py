"""A headless Wayland compositor for the test that runs the app on Wayland."""

import ctypes
import os
import shutil
import signal
import subprocess
import tempfile

from processes import end_politely
from ui_home import wait_for


class HeadlessWayland:
    """A headless Wayland compositor in a runtime folder of its own. Its log records every
    protocol request of its clients, so a test can read what a window told the compositor."""

    SOCKET = "wayland-vorl"

    def __init__(self):
        self.runtime = tempfile.mkdtemp(prefix="vorl-wayland-")
        self.log_path = os.path.join(self.runtime, "weston.log")
        self.environment = {"WAYLAND_DISPLAY": self.SOCKET, "XDG_RUNTIME_DIR": self.runtime}
        output_path = os.path.join(self.runtime, "weston-output.txt")
        with open(output_path, "w") as output:
            self.process = subprocess.Popen(
                ["weston", "--backend=headless-backend.so", "--socket=" + self.SOCKET, "--width=1920",
                 "--height=1080", "--idle-time=0", "--no-config", "--logger-scopes=log,proto",
                 "--log=" + self.log_path],
                env=dict(os.environ, XDG_RUNTIME_DIR=self.runtime), stdin=subprocess.DEVNULL, stdout=output,
                stderr=subprocess.STDOUT, preexec_fn=_stop_with_parent)
        try:
            wait_for(lambda: self.process.poll() is not None or os.path.exists(os.path.join(self.runtime, self.SOCKET)),
                     10, "the compositor's socket")
            if self.process.poll() is not None:
                with open(output_path, encoding="utf-8", errors="replace") as output:
                    raise AssertionError("the compositor exited with status %d:\n%s%s" % (
                        self.process.returncode, output.read(), self.log_text()[-4000:]))
        except BaseException:
            self.stop()
            raise

    def log_text(self):
        if not os.path.exists(self.log_path):
            return ""
        with open(self.log_path, encoding="utf-8", errors="replace") as log:
            return log.read()

    def stop(self):
        end_politely(self.process)
        shutil.rmtree(self.runtime, ignore_errors=True)


def _stop_with_parent():
    # A test runner killed on a time-out cannot clean up; the compositor must not outlive it.
    PR_SET_PDEATHSIG = 1
    ctypes.CDLL(None, use_errno=True).prctl(PR_SET_PDEATHSIG, signal.SIGTERM)
