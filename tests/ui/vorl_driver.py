"""Client for the UI test driver in tests/ui/driver, which runs inside the real application.

Start the application with these two variables in its own environment (not on a wrapper such as
xvfb-run or a shell, which would take the socket for itself):

    LD_PRELOAD=<build>/tests/ui/driver/libvorl_test_driver.so
    VORL_TEST_DRIVER_SOCKET=<path of a Unix socket to create>

then ``driver = Driver(process).connect(path)``. Every request is one JSON line answered by one JSON
line, {"ok": true, "result": ...} or {"ok": false, "error": "..."}.
"""

import inspect
import json
import os
import socket
import subprocess
import time

DEFAULT_TIMEOUT = 30.0


class DriverError(Exception):
    """Base class for everything this client raises."""


class CommandFailed(DriverError):
    """The driver answered {"ok": false}."""

    def __init__(self, command, error):
        super().__init__(f"{command} failed: {error}")
        self.command = command
        self.error = error


class ConnectionLost(DriverError):
    """The application closed the connection: it exited or crashed."""


class Driver:
    def __init__(self, process=None):
        """`process` (a subprocess.Popen, optional) lets errors report the application's exit status."""
        self.process = process
        self.path = None
        self._socket = None
        self._buffer = b""

    # Connection

    def connect(self, path, timeout=DEFAULT_TIMEOUT):
        """Waits until the socket at `path` exists and the application's main loop answers a ping."""
        self.path = path
        deadline = time.monotonic() + timeout
        last_error = None
        while True:
            remaining = deadline - time.monotonic()
            if remaining <= 0:
                raise DriverError(f"no driver answered on {path} within {timeout:g} s (last error: {last_error})")
            self._raise_if_exited()
            self.close()
            try:
                self._socket = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
                self._socket.connect(path)
                if self._request({"cmd": "ping"}, remaining) == "pong":
                    return self
            except (OSError, DriverError) as error:
                last_error = error
            self.close()
            time.sleep(0.05)

    def close(self):
        if self._socket is not None:
            self._socket.close()
        self._socket = None
        self._buffer = b""

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    # Commands

    def ping(self):
        return self.call("ping")

    def state(self):
        """{"uri", "page_title", "is_loading", "zoom_level", "main_windows", "window": {...} or None, "pid"}."""
        return self.call("state")

    def js(self, script, timeout=20.0):
        """Runs `script` as the body of an async function in the page; returns its JSON value."""
        return self.call("js", script=script, timeout=timeout, answer_timeout=timeout + 10)

    def dialogs(self):
        """Every visible window other than the main window (see tests/ui/driver/dialog_list_command.cpp)."""
        return self.call("dialogs")

    def respond(self, id, response):
        return self.call("respond", id=id, response=response)

    def set_entry(self, id, text):
        return self.call("set_entry", id=id, text=text)

    def choose(self, id, path):
        """Picks `path` in a file chooser and accepts it."""
        return self.call("choose", id=id, path=os.path.abspath(path))

    def menu(self):
        return self.call("menu")

    def menubar(self):
        """{"window": the main window's X window, "menus": [{"label", "open", "x", "y"}]}, each menu at its
        centre in that window's pixels."""
        return self.call("menubar")

    def view(self):
        """{"window": the main window's X window, "x", "y": the web view's top left corner in that window's
        pixels, "scale"}."""
        return self.call("view")

    def activate(self, action):
        """Activates an action such as "app.zoomIn"; fails if it does not exist or is disabled."""
        return self.call("activate", action=action)

    def close_window(self):
        """Closes the main window as its close button would; it closes after this call has returned."""
        return self.call("close_window")

    def call(self, cmd, answer_timeout=DEFAULT_TIMEOUT, **arguments):
        """Sends one command and returns its result, reconnecting first if an earlier call timed out."""
        if self._socket is None:
            if self.path is None:
                raise DriverError("not connected")
            self.connect(self.path)
        return self._request({"cmd": cmd, **arguments}, answer_timeout)

    # Waiting

    def wait_until(self, predicate, timeout=10.0, interval=0.1, description=None):
        """Calls `predicate` until it returns something truthy and returns that.

        A CommandFailed raised by the predicate counts as "not yet"; on time-out, raises AssertionError
        naming what was awaited, the last value and the last error.
        """
        deadline = time.monotonic() + timeout
        while True:
            value, error = None, None
            try:
                value = predicate()
            except CommandFailed as failure:
                error = failure
            if value:
                return value
            if time.monotonic() >= deadline:
                text = f"timed out after {timeout:g} s waiting for {description or _describe(predicate)}"
                text += f"; last value: {value!r}"
                if error is not None:
                    text += f"; last error: {error}"
                raise AssertionError(text)
            time.sleep(interval)

    def wait_dialog(self, kind=None, text_contains=None, timeout=10.0):
        """Waits for an open dialog of `kind` ("message", "file-chooser", "about", "other") whose title,
        text or secondary text contains `text_contains`; returns its description."""
        seen = []

        def matching_dialog():
            seen[:] = self.dialogs()
            for dialog in seen:
                if kind is not None and dialog["kind"] != kind:
                    continue
                texts = (dialog.get("title"), dialog.get("text"), dialog.get("secondary_text"))
                if text_contains is None or any(text and text_contains in text for text in texts):
                    return dialog
            return None

        wanted = f"a dialog (kind={kind!r}, text containing {text_contains!r})"
        try:
            return self.wait_until(matching_dialog, timeout, description=wanted)
        except AssertionError as error:
            raise AssertionError(f"{error}; open dialogs: {json.dumps(seen, ensure_ascii=False)}") from None

    # Wire

    def _request(self, message, timeout):
        self._socket.settimeout(timeout)
        try:
            self._socket.sendall(json.dumps(message).encode() + b"\n")
            line = self._read_line()
        except socket.timeout:
            # A late answer would be taken for the next one: start over on a fresh connection.
            self.close()
            raise DriverError(f"no answer to {message['cmd']} within {timeout:g} s") from None
        except OSError as error:
            self.close()
            raise ConnectionLost(self._lost_description(error)) from None
        answer = json.loads(line)
        if answer.get("ok"):
            return answer.get("result")
        raise CommandFailed(message["cmd"], answer.get("error"))

    def _read_line(self):
        while b"\n" not in self._buffer:
            chunk = self._socket.recv(65536)
            if not chunk:
                self.close()
                raise ConnectionLost(self._lost_description("connection closed"))
            self._buffer += chunk
        line, _, self._buffer = self._buffer.partition(b"\n")
        return line.decode()

    def _lost_description(self, cause):
        text = f"the application closed the driver connection ({cause})"
        if self.process is not None:
            try:
                status = self.process.wait(timeout=2)
                text += f"; it exited with status {status}"
            except subprocess.TimeoutExpired:
                text += "; it is still running"
        return text

    def _raise_if_exited(self):
        if self.process is not None and self.process.poll() is not None:
            raise ConnectionLost(f"the application exited with status {self.process.returncode} before answering")


def save_screen(driver, path, timeout=30.0):
    """Saves the whole X screen (the window with its page and any dialog over it) as a PNG once
    the page has finished loading."""
    driver.wait_until(lambda: driver.js("return document.readyState") == "complete", timeout=timeout,
                      description="the page to finish loading")
    time.sleep(1.5)  # the web process paints its first frames; nothing is measured on the picture
    subprocess.run(["/usr/bin/import", "-window", "root", path], check=True)
    return path


def _describe(predicate):
    name = getattr(predicate, "__name__", repr(predicate))
    if name != "<lambda>":
        return name
    try:
        return inspect.getsource(predicate).strip()
    except (OSError, TypeError):
        return "a lambda"
