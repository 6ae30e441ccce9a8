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
import json
import os
import shutil
import socket
import subprocess
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import unquote, urlsplit

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True  # keep the installed engine folder free of caches
sys.path.insert(0, HERE)
from engine_log import log_event  # noqa: E402
from peer_process import client_pid  # noqa: E402
from sounds import notes, sine_wav  # noqa: E402
from test_hooks import (handle_termination, run_test_hooks_before_listening,  # noqa: E402
                        run_test_hooks_once_listening, start_helper)

PAGE_FOLDER = os.path.join(HERE, "page")
APP_REQUESTS = ("/api/status",)
LOGGED_ENVIRONMENT = ["VORL_DATA", "PATH", "SSL_CERT_FILE", "REQUESTS_CA_BUNDLE", "HOME"]

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
        # Streamed: a benchmark's hour of sound is most of a gigabyte.
        self.send_response(200)
        self.send_header("Content-Type", FIXTURE_TYPES.get(os.path.splitext(name)[1], "application/octet-stream"))
        self.send_header("Content-Length", str(os.path.getsize(path)))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        with open(path, "rb") as fixture:
            shutil.copyfileobj(fixture, self.wfile, 1 << 20)
        self.wfile.flush()

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
