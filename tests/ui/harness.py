"""One UI test's world: a temporary home, the real application with the test driver inside
it, the stand-in engine, and a recording default opener for links, folders and files.

CTest passes the paths in the environment: VORL_APP (the binary), VORL_DRIVER (the driver
library), VORL_SOURCE_DIR, VORL_ARTIFACTS (where screenshots go) and VORL_SANITIZED ("ON" in the
sanitizer build). Each test file runs under its own Xvfb, or, for Wayland, starts its own
headless compositor.
"""

import json
import os
import re
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

from headless_wayland import HeadlessWayland  # noqa: F401  for the tests that import it from here
from ui_home import (ENGINE_URL, SOURCE, Home, RunningEngine, engine_events, engine_starts,  # noqa: F401
                     has_request, port_answers, process_gone, wait_for)
from vorl_driver import Driver, DriverError, save_screen

APP = os.environ.get("VORL_APP", "")
DRIVER = os.environ.get("VORL_DRIVER", "")
ARTIFACTS = os.environ.get("VORL_ARTIFACTS", tempfile.gettempdir())
SANITIZED = os.environ.get("VORL_SANITIZED", "OFF").upper() in ("ON", "1", "TRUE")

class App:
    """The real application binary, driven through the test driver inside it."""

    def __init__(self, home, extra_env=None, binary=None, connect=True):
        self.home = home
        self.socket_path = os.path.join(tempfile.mkdtemp(prefix="vorl-driver-"), "driver.sock")
        environment = dict(os.environ)
        environment.update({
            "HOME": home.path,
            "XDG_CONFIG_HOME": os.path.join(home.path, ".config"),
            "XDG_DATA_HOME": os.path.join(home.path, ".local", "share"),
            "XDG_CACHE_HOME": os.path.join(home.path, ".cache"),
            "XDG_STATE_HOME": os.path.join(home.path, ".local", "state"),
            "VORL_TEST_OPENED_LOG": home.opened_log,
            "VORL_TEST_DRIVER_SOCKET": self.socket_path,
            "LD_PRELOAD": DRIVER,
            "GTK_A11Y": "none",
            "GSETTINGS_BACKEND": "memory",
        })
        if SANITIZED:
            runtime = subprocess.run(["gcc", "-print-file-name=libasan.so"], capture_output=True, text=True)
            environment["LD_PRELOAD"] = runtime.stdout.strip() + " " + DRIVER
            # Leaks are judged below, by whether our own code allocated them.
            environment["LSAN_OPTIONS"] = "exitcode=0:suppressions=%s" % os.path.join(
                SOURCE, "tests", "sanitizer", "lsan.supp")
        for name, value in (extra_env or {}).items():
            if value is None:
                environment.pop(name, None)
            else:
                environment[name] = value
        self.stderr_path = os.path.join(home.path, "app-stderr.txt")
        stderr = open(self.stderr_path, "w")
        self.process = subprocess.Popen([binary or APP], env=environment, stdout=subprocess.DEVNULL, stderr=stderr)
        stderr.close()
        self.driver = Driver(self.process)
        if connect:
            try:
                self.driver.connect(self.socket_path, timeout=30)
            except DriverError as error:
                with open(self.stderr_path, encoding="utf-8", errors="replace") as text:
                    raise DriverError("%s; its error output ends with:\n%s%s" % (
                        error, text.read()[-4000:], self.main_thread_stack())) from None

    def main_thread_stack(self):
        """Where the app's main thread is, when it still runs but does not answer."""
        if self.process.poll() is not None or not shutil.which("gdb"):
            return ""
        trace = subprocess.run(["gdb", "-p", str(self.process.pid), "-batch", "-ex", "thread apply 1 bt 25"],
                               capture_output=True, text=True, timeout=60)
        return "\nits main thread:\n" + trace.stdout[-4000:]

    def uri(self):
        return self.driver.state()["uri"]

    def wait_for_uri(self, predicate, timeout=30, description="the page"):
        return self.driver.wait_until(lambda: (lambda uri: uri if uri and predicate(uri) else None)(self.uri()),
                                      timeout=timeout, description=description)

    def screenshot(self, name):
        """Saves the whole virtual screen: the window with its page and any dialog over it."""
        os.makedirs(ARTIFACTS, exist_ok=True)
        return save_screen(self.driver, os.path.join(ARTIFACTS, name))

    def terminate(self, signal_number=signal.SIGTERM, timeout=15):
        """Ends the application from outside and waits until it has exited."""
        if self.process.poll() is None:
            self.process.send_signal(signal_number)
        return self.wait_exit(timeout)

    def wait_exit(self, timeout=15):
        started = time.monotonic()
        self.process.wait(timeout)
        self.driver.close()
        self._check_sanitizer_report()
        return time.monotonic() - started

    def _check_sanitizer_report(self):
        with open(self.stderr_path, encoding="utf-8", errors="replace") as text:
            report = text.read()
        # Memory errors say "ERROR: AddressSanitizer"; leak reports say "ERROR: LeakSanitizer".
        if "ERROR: AddressSanitizer" in report or "runtime error:" in report:
            raise AssertionError("sanitizer error in the application:\n" + report[-6000:])
        for leak in re.split(r"\n(?=(?:Direct|Indirect) leak)", report):
            ours = "vorl::" in leak or os.path.join(SOURCE, "src") in leak
            if leak.startswith(("Direct leak", "Indirect leak")) and ours:
                raise AssertionError("the application leaked memory:\n" + leak[:4000])

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait(10)
        self.driver.close()


class UiTestCase(unittest.TestCase):
    """Gives each test a fresh home and cleans up whatever it started."""

    def setUp(self):
        self.assertFalse(port_answers(), "something already answers on the engine's port")
        self.home = Home()
        self.apps = []
        self.engines = []

    def tearDown(self):
        for app in self.apps:
            app.kill()
        for engine in self.engines:
            engine.stop()
        for start in engine_starts(self.home.log_text()):
            if start.get("pid") and not process_gone(start["pid"]):
                os.kill(start["pid"], signal.SIGKILL)
        wait_for(lambda: not port_answers(), 10, "the engine's port to be free")
        self.home.remove()

    def start_app(self, extra_env=None, binary=None, connect=True):
        app = App(self.home, extra_env, binary, connect)
        self.apps.append(app)
        return app

    def wait_for_request(self, path, timeout=5):
        """Waits until the engine's log shows a request for path: the engine's guard writes the
        log a moment after the engine has written it."""
        try:
            wait_for(lambda: has_request(self.home.log_text(), path), timeout, "the engine's log to show " + path)
        except AssertionError as error:
            raise AssertionError("%s; the log ends with:\n%s" % (error, self.home.log_text()[-3000:])) from None

    def start_engine(self, extra_env=None):
        self.home.install_standin()
        engine = RunningEngine(self.home, extra_env)
        self.engines.append(engine)
        return engine


class EnginePageTestCase(UiTestCase):
    """The app on the page of an engine it launched itself, with the page's script running."""

    app_environment = {}  # what the app's environment has beside the test's own; None unsets

    def setUp(self):
        super().setUp()
        self.home.install_standin()
        self.app = self.start_app(self.app_environment)
        self.app.wait_for_uri(lambda uri: uri == ENGINE_URL, description="the engine's page")
        wait_for(lambda: has_request(self.home.log_text(), "/api/hello"), 20, "the page's script to run")

    def start_in_page(self, expression):
        """Starts expression (a promise or a value) in the page without waiting for it; its
        outcome lands in window.__outcome as {value} or {error}."""
        self.app.driver.js("window.__outcome = null; Promise.resolve().then(() => %s).then("
                           "value => { window.__outcome = {settled: true, value: value}; },"
                           "error => { window.__outcome = {settled: true, error: String(error.message)}; });"
                           "return true;" % expression)

    def outcome(self, timeout=20):
        return self.app.driver.wait_until(lambda: self.app.driver.js("return window.__outcome"), timeout=timeout,
                                          description="the page's request to settle")

    def post(self, message):
        self.start_in_page("window.webkit.messageHandlers.vorl.postMessage(%s)" % json.dumps(message))

    def click(self, element_id):
        # The driver's scripts count as a user gesture, as a real click does.
        self.app.driver.js("document.getElementById(%s).click(); return true;" % json.dumps(element_id))

    def dialog(self, kind, **expected):
        """Waits for an open dialog of kind whose fields include expected."""
        def matching():
            for dialog in self.app.driver.dialogs():
                if dialog["kind"] == kind and all(dialog.get(key) == value for key, value in expected.items()):
                    return dialog
            return None
        return self.app.driver.wait_until(matching, timeout=20, description="a %s dialog %s" % (kind, expected))

    def answer(self, dialog, label):
        response = next(button["response"] for button in dialog["buttons"] if button["label"] == label)
        self.app.driver.respond(dialog["id"], response)


def web_processes(app_pid):
    """The page processes WebKit started for the app, inside their sandbox or not."""
    parents, names = {}, {}
    for entry in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/stat" % entry) as stat:
                name, rest = stat.read().rsplit(") ", 1)
        except (OSError, ValueError):
            continue
        parents[int(entry)] = int(rest.split()[1])
        names[int(entry)] = name.split("(", 1)[1]

    def descends_from_app(pid):
        while pid > 1:
            pid = parents.get(pid, 0)
            if pid == app_pid:
                return True
        return False
    return [pid for pid, name in names.items() if name == "WebKitWebProces" and descends_from_app(pid)]
