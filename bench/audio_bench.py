#!/usr/bin/env python3
"""Sound figures of vorl-vorudi against the floor, a bare GTK window with a web view, each
playing through a sound server of the benchmark's own whose sink is recorded: how long from a
page's play to its sound at the sink for Web Audio and <audio> (a first play and a later one),
how much of a first sound is lost, and the dropouts in 10 s of tone while the engine keeps both
cores busy (decode_bench.py has the decoding figures). Prints figures only.

Both windows show the same page, audio_page.html, served by the stand-in engine as its front
page; the page runs the sequence by itself and marks each step in the engine's log."""

import argparse
import math
import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "ui"))
from sound import RATE, SoundServer, Tone, pcm16_bytes, wav_file  # noqa: E402

from bench_processes import Session, become_subreaper, port_answers  # noqa: E402
from bench_runs import Home, print_columns, print_load, print_machine, spread, wait_for_free_port  # noqa: E402
from startup_bench import window_argv  # noqa: E402

PORT = 8765
SEQUENCE_TIMEOUT = 180.0
def make_fixtures(folder):
    tone = [round(16384 * math.sin(2 * math.pi * 1000 * n / RATE)) for n in range(RATE)]
    with open(os.path.join(folder, "tone1.wav"), "wb") as fixture:
        fixture.write(wav_file(pcm16_bytes([value for value in tone for _ in range(2)], "<")))
    shutil.copy(os.path.join(HERE, "audio_page.html"), folder)


def marks(events):
    """Each mark the page made, by name: when the engine logged it (its monotonic clock)."""
    return {event["name"]: event["t"] for event in events if event.get("event") == "mark"}


def tone_after(rate, samples, recording_start, mark, length):
    """The tone that starts first after mark in the recording: (seconds from mark to its sound,
    its length)."""
    first = max(0, int((mark - recording_start) * rate))
    window = samples[first:first + int((length + 3.0) * rate)]
    tone = Tone(rate, window)
    return recording_start + (first / rate) + tone.start - mark, tone


def one_run(kind, binaries, fixtures):
    with Home(binaries.install) as home, Session() as session:
        display = session.start_xvfb()
        sound = SoundServer()
        try:
            environment = dict(home.environment(display), VORL_STANDIN_FIXTURES=fixtures,
                               VORL_STANDIN_PAGE="audio_page.html", **sound.environment)
            lines, _ = home.start_engine(session, environment)
            sound.record(os.path.join(home.path, "sink.raw"))
            session.start(window_argv(kind, binaries), env=environment, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL)
            lines.wait_for(lambda event: event.get("name") == "done", SEQUENCE_TIMEOUT)
            time.sleep(1.0)  # the last sound is on its way through the server's buffers
            rate, samples = sound.stop_recording()
            start = sound.recording_started
        finally:
            sound.stop()
        events = marks(lines.events())
        row = {}
        for case, length in (("webaudio first", 2.0), ("webaudio later", 1.0), ("audio first", 1.0),
                             ("audio later", 1.0), ("busy tone", 10.0)):
            to_sound, tone = tone_after(rate, samples, start, events[case], length)
            row[case] = {"to_sound": to_sound * 1000, "lost": max(0.0, length - tone.length) * 1000,
                         "silent_windows": tone.silent_windows, "skips": tone.skips}
        return row


def print_table(rounds):
    def column(kind, pick):
        return [pick(round_[kind]) for round_ in rounds]

    rows = []
    for case, label in (("webaudio first", "Web Audio, first play"), ("webaudio later", "Web Audio, a later play"),
                        ("audio first", "<audio>, first play"), ("audio later", "<audio>, a later play")):
        rows.append((f"{label}: play to sound at the sink (ms)", column("app", lambda row: row[case]["to_sound"]),
                     column("floor", lambda row: row[case]["to_sound"]), 0))
    for case, label in (("webaudio first", "Web Audio"), ("audio first", "<audio>")):
        rows.append((f"{label}: part of the first sound lost (ms)", column("app", lambda row: row[case]["lost"]),
                     column("floor", lambda row: row[case]["lost"]), 0))
    rows.append(("10 s of tone, engine keeping both cores busy: 10 ms windows fallen silent",
                 column("app", lambda row: row["busy tone"]["silent_windows"]),
                 column("floor", lambda row: row["busy tone"]["silent_windows"]), 0))
    rows.append(("- and skips in it", column("app", lambda row: row["busy tone"]["skips"]),
                 column("floor", lambda row: row["busy tone"]["skips"]), 0))
    header = ("sound", "app min/median/max", "floor min/median/max")
    print()
    print_columns([header] + [(name, spread(app, digits), spread(floor, digits)) for name, app, floor, digits in rows])


def main():
    arguments = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    arguments.add_argument("app")
    arguments.add_argument("floor")
    arguments.add_argument("install")
    arguments.add_argument("--runs", type=int, default=3)
    arguments.add_argument("--machine", action="store_true", help="print the machine first")
    binaries = arguments.parse_args()
    if port_answers(PORT):
        sys.exit(f"something already answers on 127.0.0.1:{PORT}; run this in a private network namespace")
    become_subreaper()
    if binaries.machine:
        print_machine()
    fixtures = tempfile.mkdtemp(prefix="vorl-lydbenk-")
    try:
        make_fixtures(fixtures)
        rounds = []
        for number in range(1, binaries.runs + 1):
            rows = {}
            for kind in ("app", "floor"):
                rows[kind] = one_run(kind, binaries, fixtures)
                wait_for_free_port()
            rounds.append(rows)
            print(f"sound round {number}: Web Audio's first sound {rows['app']['webaudio first']['to_sound']:.0f} ms "
                  f"(floor {rows['floor']['webaudio first']['to_sound']:.0f} ms) after its play", flush=True)
        print_table(rounds)
    finally:
        shutil.rmtree(fixtures, ignore_errors=True)
    print_load()


if __name__ == "__main__":
    main()
