"""One UI test's world: a temporary home, the real application with the test driver inside
it, the stand-in engine, and a recording default opener for links, folders and files.

CTest passes the paths in the environment: VORL_APP (the binary), VORL_DRIVER (the driver
library), VORL_SOURCE_DIR, VORL_ARTIFACTS (where screenshots go) and VORL_SANITIZED ("ON" in the
sanitizer build). Each test file runs under its own Xvfb, or, for Wayland, starts its own
headless compositor.
"""

import ctypes
import json
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest

from processes import end_politely
from vorl_driver import Driver, DriverError, save_screen

APP = os.environ.get("VORL_APP", "")
DRIVER = os.environ.get("VORL_DRIVER", "")
SOURCE = os.environ.get("VORL_SOURCE_DIR", os.path.dirname(os.path.dirname(os.path.dirname(__file__))))
ARTIFACTS = os.environ.get("VORL_ARTIFACTS", tempfile.gettempdir())
SANITIZED = os.environ.get("VORL_SANITIZED", "OFF").upper() in ("ON", "1", "TRUE")

ENGINE_URL = "http://127.0.0.1:8765/"
OPENER_TYPES = [
    "x-scheme-handler/http", "x-scheme-handler/https", "inode/directory", "text/plain", "text/x-log",
    "application/octet-stream",
]


def port_answers(port=8765):
    with socket.socket() as probe:
        probe.settimeout(0.5)
        return probe.connect_ex(("127.0.0.1", port)) == 0


def wait_for(condition, timeout, description):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.05)
    raise AssertionError("timed out after %.1f s waiting for %s" % (timeout, description))


def process_gone(pid):
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return True
    with open("/proc/%d/stat" % pid) as stat:
        return stat.read().split(") ")[1].startswith("Z")


class Home:
    """A home folder whose path has a space and a non-ASCII letter, laid out as the app expects."""

    def __init__(self):
        self.path = tempfile.mkdtemp(prefix="vorl hjem ø-")
        self.eng = os.path.join(self.path, "Library", "Application Support", "VORL Vorudi")
        self.ai = os.path.join(self.eng, "_AI-analyse")
        self.data = os.path.join(self.path, "VORL Vorudi")
        self.logfile = os.path.join(self.path, "Library", "Logs", "VORL Vorudi – motor.log")
        self.opened_log = os.path.join(self.path, "opened.txt")
        self._install_opener()

    def _install_opener(self):
        applications = os.path.join(self.path, ".local", "share", "applications")
        config = os.path.join(self.path, ".config")
        os.makedirs(applications)
        os.makedirs(config)
        opener = os.path.join(os.path.dirname(os.path.abspath(__file__)), "record_open.py")
        with open(os.path.join(applications, "vorl-test-opener.desktop"), "w") as entry:
            entry.write("[Desktop Entry]\nType=Application\nName=Opener\nExec=%s %s %%u\nMimeType=%s;\n"
                        % (sys.executable, opener, ";".join(OPENER_TYPES)))
        with open(os.path.join(config, "mimeapps.list"), "w") as associations:
            associations.write("[Default Applications]\n")
            for kind in OPENER_TYPES:
                associations.write("%s=vorl-test-opener.desktop\n" % kind)

    def install_standin(self):
        subprocess.run(["bash", os.path.join(SOURCE, "standin", "install.sh"), self.path], check=True,
                       stdout=subprocess.DEVNULL)

    def opened(self):
        if not os.path.exists(self.opened_log):
            return []
        with open(self.opened_log, encoding="utf-8") as log:
            return log.read().splitlines()

    def opened_environments(self):
        """The environment of each start of the opener, oldest first."""
        if not os.path.exists(self.opened_log + ".environment"):
            return []
        with open(self.opened_log + ".environment", encoding="utf-8") as log:
            return [json.loads(line) for line in log]

    def log_text(self):
        if not os.path.exists(self.logfile):
            return ""
        with open(self.logfile, encoding="utf-8") as log:
            return log.read()

    def remove(self):
        shutil.rmtree(self.path, ignore_errors=True)


def engine_events(text):
    """The JSON lines an engine printed."""
    events = []
    for line in text.splitlines():
        if line.startswith("{"):
            try:
                events.append(json.loads(line))
            except ValueError:
                pass
    return events


def engine_starts(text):
    """The start lines of every engine that wrote to this log, oldest first."""
    return [event for event in engine_events(text) if event.get("event") == "start"]


def has_request(text, path):
    return any(event.get("event") == "request" and event.get("path", "").startswith(path)
               for event in engine_events(text))


class RunningEngine:
    """The stand-in engine started by the test, as one left from an earlier run would be."""

    def __init__(self, home, extra_env=None):
        self.output_path = os.path.join(home.path, "engine-output.txt")
        output = open(self.output_path, "w")
        environment = dict(os.environ, HOME=home.path, **(extra_env or {}))
        python = os.path.join(home.ai, "venv", "bin", "python")
        self.process = subprocess.Popen([python, os.path.join(home.ai, "server.py"), "--port", "8765"],
                                        cwd=home.eng, env=environment, stdout=output, stderr=subprocess.STDOUT)
        output.close()
        wait_for(lambda: '"listening"' in self.output(), 10, "the stand-in engine to listen")

    def output(self):
        with open(self.output_path, encoding="utf-8") as text:
            return text.read()

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            self.process.wait(10)


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
