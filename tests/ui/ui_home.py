"""What a UI test's world is made of besides the app: a temporary home laid out as the app expects
it, with a recording default opener, the stand-in engine, and what the engine logged."""

import json
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time

SOURCE = os.environ.get("VORL_SOURCE_DIR", os.path.dirname(os.path.dirname(os.path.dirname(__file__))))

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
