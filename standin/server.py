#!/usr/bin/env python3
"""Stand-in engine for VORL Vorudi: serves a test page and a few fixed files
on 127.0.0.1, and logs every event as one JSON line on stdout.

Test hooks (environment variables):
  VORL_STANDIN_EXIT_AT_START=<code>  log the start, then exit with <code> before listening.
  VORL_STANDIN_STARTUP_DELAY=<secs>  wait this long before listening.
  VORL_STANDIN_IGNORE_QUIT=1         answer POST /api/quit but keep running.
  VORL_STANDIN_HELPER=1              once listening, start a helper process that runs until it
                                     is signalled, as an engine's worker would, and log its pid.
  VORL_STANDIN_HOST=<address>        listen there instead of 127.0.0.1; "::" listens dual-stack.
  VORL_STANDIN_EXIT_DELAY=<secs>     on SIGTERM, log it, take this long to clean up, log that, exit.
  VORL_STANDIN_IGNORE_TERM=1         log SIGTERM and keep running.
  VORL_STANDIN_EXIT_AFTER=<secs>     once listening, wait this long, write a last line to stderr
                                     and exit with code 3, as an engine that crashes in use.
  VORL_STANDIN_WRITE_MIB=<n>         once listening, write n MiB of numbered lines to stdout as
                                     fast as it can, then log "written".
  VORL_STANDIN_FIXTURES=<folder>     serve the files of this folder at /fixtures/<name>.
  VORL_STANDIN_PAGE=<name>           serve that file of the fixtures' folder as its page, at /.

For measurements (the benchmark): POST /api/mark?<name> logs a "mark" event with the name, and
POST /api/busy?<seconds> keeps two processes of the engine's busy for that long, as an engine at
work would keep the machine's cores.
"""

import argparse
import array
import functools
import io
import json
import math
import os
import signal
import socket
import struct
import subprocess
import sys
import threading
import time
import wave
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import unquote, urlsplit

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True  # keep the installed engine folder free of caches
sys.path.insert(0, HERE)
from peer_process import client_pid  # noqa: E402

PAGE_FOLDER = os.path.join(HERE, "page")
APP_REQUESTS = ("/api/status",)
LOGGED_ENVIRONMENT = ["VORL_DATA", "PATH", "SSL_CERT_FILE", "REQUESTS_CA_BUNDLE", "HOME"]


LOG_LOCK = threading.Lock()


def log_event(event, **fields):
    # t: the monotonic clock, which other processes on the machine read alike (benchmarks). One
    # write per line, under a lock: requests are handled on threads of their own, and print()
    # writes a line and its line feed apart.
    line = json.dumps({"event": event, **fields, "t": time.monotonic()}, ensure_ascii=False) + "\n"
    with LOG_LOCK:
        sys.stdout.write(line)
        sys.stdout.flush()


def sine_wav(seconds=0.25, frequency=440, rate=8000):
    """A short mono 16-bit tone, the same bytes every time."""
    frames = b"".join(
        struct.pack("<h", round(12000 * math.sin(2 * math.pi * frequency * n / rate)))
        for n in range(int(seconds * rate))
    )
    buffer = io.BytesIO()
    with wave.open(buffer, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(rate)
        out.writeframes(frames)
    return buffer.getvalue()


@functools.lru_cache(maxsize=None)
def notes(rate=44100):
    """Three plucked notes, each a fundamental with two overtones dying away: a sound whose
    waveform shows what it is, the same bytes every time."""
    samples = array.array("h")
    sin, exp, step = math.sin, math.exp, 2 * math.pi / rate
    for fundamental in (220.0, 277.18, 329.63):
        for n in range(int(0.8 * rate)):
            t, phase = n / rate, step * fundamental * n
            level = exp(-4.0 * t) * min(1.0, t / 0.005)
            samples.append(round(14000 * level * (sin(phase) + sin(2 * phase) / 2 + sin(3 * phase) / 3)))
    if sys.byteorder == "big":
        samples.byteswap()  # WAV samples are little-endian
    buffer = io.BytesIO()
    with wave.open(buffer, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(rate)
        out.writeframes(samples.tobytes())
    return buffer.getvalue()


SLICES_WAV = sine_wav()
FIXTURE_TYPES = {".html": "text/html; charset=utf-8", ".js": "text/javascript; charset=utf-8", ".wav": "audio/wav",
                 ".mp3": "audio/mpeg", ".m4a": "audio/mp4", ".flac": "audio/flac", ".ogg": "audio/ogg",
                 ".opus": "audio/ogg", ".aiff": "audio/aiff", ".aifc": "audio/aiff", ".caf": "audio/x-caf"}
DATA_BIN = bytes(range(256)) * 64
TRUNCATED_ANNOUNCED = 65536
TRUNCATED_SENT = 1000
SLOW_ANNOUNCED = 64 * 1024 * 1024


class EngineHandler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "VorudiStandin/1"

    def log_message(self, format, *args):
        pass  # every request is logged as JSON in handle_route instead

    def do_GET(self):
        self.handle_route({
            "/": self.send_front_page,
            "/other": lambda: self.send_page("other.html"),
            "/facilities.js": lambda: self.send_page("facilities.js", "text/javascript; charset=utf-8"),
            "/audio.js": lambda: self.send_page("audio.js", "text/javascript; charset=utf-8"),
            "/audio/notes.wav": lambda: self.send_body(notes(), "audio/wav"),
            "/api/status": lambda: self.send_json({"status": "ok"}),
            "/api/hello": lambda: self.send_json({"hello": True}),
            "/download/slices.wav": lambda: self.send_body(
                SLICES_WAV, "audio/wav", {"Content-Disposition": 'attachment; filename="slices.wav"'}),
            "/download/data.bin": lambda: self.send_body(DATA_BIN, "application/octet-stream"),
            "/download/truncated.bin": self.send_truncated,
            "/download/slow.bin": self.send_slowly,
        })

    def do_POST(self):
        self.discard_request_body()
        self.handle_route({"/api/quit": self.quit, "/api/loaded": lambda: self.send_json({"loaded": True}),
                           "/api/mark": self.mark, "/api/busy": self.busy})

    def handle_route(self, routes):
        ip, port = self.client_address[:2]
        # Who asks is looked up for the app's status requests only: the lookup walks every
        # process's descriptors, which can take a while, and would hold up other requests.
        asker = client_pid(ip, port) if self.path in APP_REQUESTS else None
        log_event("request", method=self.command, path=self.path, client_pid=asker)
        path = urlsplit(self.path).path
        route = routes.get(path)
        if path.startswith("/fixtures/") and self.command == "GET":
            route = lambda: self.send_fixture(unquote(path[len("/fixtures/"):]))  # noqa: E731
        if route:
            route()
        else:
            self.send_body("Ikke funnet\n".encode(), "text/plain; charset=utf-8", status=404)

    def discard_request_body(self):
        length = int(self.headers.get("Content-Length") or 0)
        if length > 0:
            self.rfile.read(length)

    def send_body(self, body, content_type, headers=None, status=200):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-store")
        for name, value in (headers or {}).items():
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(body)
        self.wfile.flush()

    def send_json(self, value):
        self.send_body(json.dumps(value).encode(), "application/json")

    def send_page(self, name, content_type="text/html; charset=utf-8"):
        with open(os.path.join(PAGE_FOLDER, name), "rb") as page:
            self.send_body(page.read(), content_type)

    def send_front_page(self):
        page = os.environ.get("VORL_STANDIN_PAGE")
        if page:
            return self.send_fixture(page)
        self.send_page("index.html")

    def mark(self):
        log_event("mark", name=unquote(urlsplit(self.path).query))
        self.send_json({"marked": True})

    def busy(self):
        """Two processes that keep a core each busy for the seconds asked, then end."""
        seconds = float(urlsplit(self.path).query or "10")
        for _ in range(2):
            subprocess.Popen([sys.executable, "-c", "import time\nend = time.monotonic() + %f\n"
                              "while time.monotonic() < end: pass" % seconds])
        log_event("busy", seconds=seconds)
        self.send_json({"busy": seconds})

    def send_fixture(self, name):
        """A file of the folder VORL_STANDIN_FIXTURES names, none outside it."""
        folder = os.environ.get("VORL_STANDIN_FIXTURES")
        path = os.path.realpath(os.path.join(folder or "/nonexistent", name))
        if not folder or os.path.dirname(path) != os.path.realpath(folder) or not os.path.isfile(path):
            return self.send_body("Ikke funnet\n".encode(), "text/plain; charset=utf-8", status=404)
        with open(path, "rb") as fixture:
            body = fixture.read()
        self.send_body(body, FIXTURE_TYPES.get(os.path.splitext(name)[1], "application/octet-stream"))

    def send_truncated(self):
        """Promise more bytes than are sent, then hang up: a broken download."""
        self.close_connection = True
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(TRUNCATED_ANNOUNCED))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(DATA_BIN[:TRUNCATED_SENT])
        self.wfile.flush()

    def send_slowly(self):
        """Announce a large file and trickle it out until the client hangs up: a download that
        is still running when the app quits."""
        self.close_connection = True
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(SLOW_ANNOUNCED))
        self.send_header("Content-Disposition", 'attachment; filename="slow.bin"')
        self.end_headers()
        try:
            for _ in range(SLOW_ANNOUNCED // len(DATA_BIN)):
                self.wfile.write(DATA_BIN)
                self.wfile.flush()
                time.sleep(0.1)
        except OSError:
            pass  # the client went away

    def quit(self):
        ignored = os.environ.get("VORL_STANDIN_IGNORE_QUIT") == "1"
        log_event("quit", ignored=ignored)
        self.close_connection = True
        self.send_body(json.dumps({"status": "bye"}).encode(), "application/json",
                       {"Connection": "close"})
        if not ignored:
            # shutdown() waits for serve_forever, which runs on another thread.
            threading.Thread(target=self.server.shutdown, daemon=True).start()


class EngineServer(ThreadingHTTPServer):
    allow_reuse_address = True
    daemon_threads = True  # open keep-alive connections must not hold up exit


class DualStackEngineServer(EngineServer):
    """Listens on "::" for IPv6 and IPv4 alike, 127.0.0.1 included."""
    address_family = socket.AF_INET6

    def server_bind(self):
        self.socket.setsockopt(socket.IPPROTO_IPV6, socket.IPV6_V6ONLY, 0)
        super().server_bind()


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


def main():
    # Paths may hold any letters; write them as UTF-8 whatever the locale says.
    sys.stdout.reconfigure(encoding="utf-8", errors="surrogateescape")
    arguments = argparse.ArgumentParser(description="Stand-in engine for VORL Vorudi")
    arguments.add_argument("--port", type=int, required=True)
    port = arguments.parse_args().port

    log_event("start", argv=sys.argv, cwd=os.getcwd(), pid=os.getpid(),
              env={name: os.environ.get(name) for name in LOGGED_ENVIRONMENT})
    handle_termination()
    run_test_hooks_before_listening()

    host = os.environ.get("VORL_STANDIN_HOST", "127.0.0.1")
    server_class = DualStackEngineServer if host == "::" else EngineServer
    try:
        server = server_class((host, port), EngineHandler)
    except OSError as error:
        log_event("listen-failed", port=port, error=str(error))
        sys.exit(1)
    log_event("listening", port=port)
    if os.environ.get("VORL_STANDIN_HELPER") == "1":
        start_helper()
    run_test_hooks_once_listening()
    try:
        server.serve_forever(poll_interval=0.05)
    except KeyboardInterrupt:
        pass
    server.server_close()
    log_event("stopped")


if __name__ == "__main__":
    main()
