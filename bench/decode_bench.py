#!/usr/bin/env python3
"""Decoding figures of vorl-vorudi against the floor, a bare GTK window with a web view, on files
of 1, 10 and 60 minutes of a stereo 16-bit 44.1 kHz tone, made when it runs: WAV, AIFF, AIFF-C
(sowt), CAF, FLAC and MP3, and WAV at 48 kHz, which the page's context resamples. For each, in a fresh window: the time of decodeAudioData, the worst
answer of the window to the page while it decodes (the app's "vorl" channel; the floor has none),
how late the page's own timers ran, and the peak memory of the window's processes. Then how many of
100 <audio> loads of each AIFF file end with the default preload, and whether CAF plays. Prints
figures only.

Both windows show decode_page.html, served by the stand-in engine as its front page; the page
reads what to do from case.json in the fixtures' folder and marks its results in the engine's log."""

import argparse
import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile

from bench_processes import Session, become_subreaper, descendants, port_answers
from channel_files import make_channel_files
from bench_runs import Home, print_columns, print_load, print_machine, wait_for_free_port
from startup_bench import window_argv

HERE = os.path.dirname(os.path.abspath(__file__))
PORT = 8765
RATE = 44100
MINUTES = (1, 10, 60)
FORMATS = ("wav", "aiff", "aifc", "caf", "flac", "mp3", "48k.wav")
AIFF_FIXTURES = ("pcm16.aiff", "pcm24.aiff", "none.aifc", "sowt.aifc", "fl32.aifc")
TONE = "audiotestsrc wave=sine freq=1000 volume=0.5 samplesperbuffer={rate} num-buffers={seconds}"
ENCODERS = {"wav": "audio/x-raw,format=S16LE,rate=44100,channels=2 ! wavenc",
            "aiff": "audio/x-raw,format=S16BE,rate=44100,channels=2 ! aiffmux",
            "flac": "audio/x-raw,format=S16LE,rate=44100,channels=2 ! flacenc",
            "mp3": "audio/x-raw,rate=44100,channels=2 ! audioconvert ! lamemp3enc target=bitrate bitrate=192 ! xingmux",
            "48k.wav": "audio/x-raw,format=S16LE,rate=48000,channels=2 ! wavenc",
            "s16le": "audio/x-raw,format=S16LE,rate=44100,channels=2",
            "s16be": "audio/x-raw,format=S16BE,rate=44100,channels=2"}


def gst(seconds, encoding, path):
    rate = 48000 if encoding.startswith("48k") else RATE
    subprocess.run(["gst-launch-1.0", "-q"] + (TONE.format(rate=rate, seconds=seconds) + " ! " + ENCODERS[encoding]).split() +
                   ["!", "filesink", "location=" + path], check=True, stdout=subprocess.DEVNULL)


def wrapped(raw, path, head):
    """path: head, then the raw samples, copied."""
    with open(path, "wb") as out, open(raw, "rb") as samples:
        out.write(head)
        shutil.copyfileobj(samples, out, 1 << 22)


def extended(rate):
    exponent = rate.bit_length() - 1
    return struct.pack(">HQ", 16383 + exponent, rate << (63 - exponent))


def make_fixtures(folder):
    for minutes in MINUTES:
        seconds = 60 * minutes
        for encoding in ("wav", "aiff", "flac", "mp3", "48k.wav"):
            gst(seconds, encoding, os.path.join(folder, f"tone{minutes}.{encoding}"))
        frames = seconds * RATE
        for order, name, head in (
                ("s16le", f"tone{minutes}.aifc", lambda size: b"FORM" + struct.pack(">I", 4 + 36 + 16 + size) + b"AIFC" +
                 b"COMM" + struct.pack(">IhIh", 28, 2, frames, 16) + extended(RATE) + b"sowt\x04sowt\0" +
                 b"SSND" + struct.pack(">III", 8 + size, 0, 0)),
                ("s16be", f"tone{minutes}.caf", lambda size: b"caff" + struct.pack(">HH", 1, 0) + b"desc" +
                 struct.pack(">q", 32) + struct.pack(">d", float(RATE)) + b"lpcm" + struct.pack(">IIIII", 0, 4, 1, 2, 16) +
                 b"data" + struct.pack(">qI", size + 4, 0))):
            raw = os.path.join(folder, "raw")
            gst(seconds, order, raw)
            wrapped(raw, os.path.join(folder, name), head(os.path.getsize(raw)))
            os.remove(raw)
    sys.path.insert(0, os.path.join(HERE, "..", "tests", "ui"))
    from sound import make_fixtures as make_format_table  # noqa: E402
    make_format_table(folder)
    shutil.copy(os.path.join(HERE, "decode_page.html"), folder)


def peak_mib(window):
    """The peak resident memory of the window's process and everything below it, in MiB."""
    total = 0
    for pid in [window.pid] + descendants(window.pid):
        try:
            with open(f"/proc/{pid}/status", encoding="utf-8") as status:
                total += next(int(line.split()[1]) for line in status if line.startswith("VmHWM:"))
        except (OSError, StopIteration):
            pass
    return total / 1024


def one_case(kind, binaries, fixtures, case, timeout):
    """Runs the page's case in a fresh window; returns its marks and the window's peak memory."""
    with open(os.path.join(fixtures, "case.json"), "w") as what:
        json.dump(case, what)
    with Home(binaries.install) as home, Session() as session:
        display = session.start_xvfb()
        environment = dict(home.environment(display), VORL_STANDIN_FIXTURES=fixtures,
                           VORL_STANDIN_PAGE="decode_page.html")
        lines, _ = home.start_engine(session, environment)
        window = session.start(window_argv(kind, binaries), env=environment, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
        marks = []
        try:
            lines.wait_for(lambda event: event.get("name") == "done", timeout)
        except TimeoutError:
            marks.append("timed out")
        peak = peak_mib(window)
    marks += [event["name"] for event in lines.events() if event.get("event") == "mark" and event["name"] != "done"]
    return marks, peak


def decode_row(kind, binaries, fixtures, name):
    marks, peak = one_case(kind, binaries, fixtures, {"kind": "decode", "name": name, "timeout": 120000}, 240)
    words = marks[-1].split() if marks else ["timed", "out"]
    if words[0] != "decoded" or words[1] == "failed":
        return {"result": words[2] if words[1] == "failed" else " ".join(words), "peak": peak}
    return {"ms": float(words[1]), "channels": int(words[2]), "duration": float(words[3]),
            "answer": None if words[4] == "-" else float(words[4]), "timer": float(words[5]), "peak": peak}


def print_decodes(rows):
    def cell(row, key, digits=0):
        if "ms" not in row:
            return row["result"]
        value = row[key]
        return "-" if value is None else f"{value:.{digits}f}"
    table = [("file", "app decode s", "floor decode s", "ratio", "app answer ms", "app timer ms", "floor timer ms",
              "app peak MiB", "floor peak MiB", "ratio")]
    for (name, app, floor) in rows:
        ratio = lambda key: f"{app[key] / floor[key]:.2f}" if "ms" in app and "ms" in floor else "-"  # noqa: E731
        table.append((name, cell(app, "ms") if "ms" not in app else f"{app['ms'] / 1000:.2f}",
                      cell(floor, "ms") if "ms" not in floor else f"{floor['ms'] / 1000:.2f}", ratio("ms"),
                      cell(app, "answer"), cell(app, "timer"), cell(floor, "timer"),
                      f"{app['peak']:.0f}", f"{floor['peak']:.0f}", f"{app['peak'] / floor['peak']:.2f}"))
    print()
    print_columns(table)


def channel_results(window, binaries, fixtures, files):
    """Each file's mark, decoded in turn by one page; after a file that the window's decoder left
    unsettled, or that stopped the page, the files after it go to a fresh window, whose decoder
    that file no longer holds up."""
    found = {}
    while files:
        marks, _ = one_case(window, binaries, fixtures, {"kind": "channels", "files": files}, 40 + 2 * len(files))
        wait_for_free_port()
        for mark in marks:
            if mark.startswith("channels"):
                found[mark.split()[1]] = mark.split()[2:]
        done = [one["name"] in found for one in files]
        stuck = next((at for at, one in enumerate(files)
                      if not done[at] or found[one["name"]][0] == "unsettled"), len(files))
        if stuck < len(files) and not done[stuck]:
            found[files[stuck]["name"]] = ["stopped"]
        files = files[stuck + 1:]
    return found


def print_channels(binaries, fixtures):
    """Each file of many channels decoded in each window: its channels, whether each holds its own
    level, and how long the decode took."""
    files = make_channel_files(fixtures)
    found = {window: channel_results(window, binaries, fixtures, files) for window in ("app", "floor")}

    def cell(window, name):
        result = found[window][name]
        if result == ["stopped"]:
            return "never settled; the page stopped running"
        count, right, took = result
        return f"{count} channels, {right}, {took} ms" if right != "-" else f"{count} after {took} ms"
    table = [("file (5 s, 48 kHz)", "app", "floor")]
    table += [(one["name"], cell("app", one["name"]), cell("floor", one["name"])) for one in files]
    print()
    print_columns(table)


def main():
    arguments = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    arguments.add_argument("app")
    arguments.add_argument("floor")
    arguments.add_argument("install")
    arguments.add_argument("--minutes", type=int, nargs="*", default=list(MINUTES))
    arguments.add_argument("--loads", type=int, default=100, help="<audio> loads of each AIFF file")
    arguments.add_argument("--no-channels", action="store_true", help="leave out the table of channel counts")
    binaries = arguments.parse_args()
    if port_answers(PORT):
        sys.exit(f"something already answers on 127.0.0.1:{PORT}; run this in a private network namespace")
    become_subreaper()
    print_machine()
    fixtures = tempfile.mkdtemp(prefix="vorl-dekoding-")
    try:
        make_fixtures(fixtures)
        rows = []
        for minutes in binaries.minutes:
            for kind in FORMATS:
                name = f"tone{minutes}.{kind}"
                results = {}
                for window in ("app", "floor"):
                    results[window] = decode_row(window, binaries, fixtures, name)
                    wait_for_free_port()
                rows.append((name, results["app"], results["floor"]))
                print(f"decoded {name}: app {results['app']}, floor {results['floor']}", flush=True)
        if rows:
            print_decodes(rows)
        if binaries.loads:
            table = [("<audio>, default preload", "app: loads that ended; a play", "floor")]
            loads = {}
            for window in ("app", "floor"):
                marks, _ = one_case(window, binaries, fixtures, {"kind": "loads", "times": binaries.loads,
                                                                 "names": list(AIFF_FIXTURES) + ["tone.caf"]}, 3600)
                loads[window] = {mark.split()[1]: mark.split()[2:] for mark in marks if mark.startswith("loads")}
                wait_for_free_port()
            def cell(window, name):
                ended, played = loads[window].get(name, ["-", "-"])
                return f"{ended} of {binaries.loads}; {played}"
            for name in list(AIFF_FIXTURES) + ["tone.caf"]:
                table.append((name, cell("app", name), cell("floor", name)))
            print()
            print_columns(table)
        if not binaries.no_channels:
            print_channels(binaries, fixtures)
    finally:
        shutil.rmtree(fixtures, ignore_errors=True)
    print_load()


if __name__ == "__main__":
    main()
