"""What the sound tests hear with: a sound server of their own with a sink that goes nowhere and
is recorded, the audio files a sound designer brings, made when the tests run, and what a
listener would notice in a recording.

The server is PulseAudio with a null sink, in a runtime folder of the test's own: the app gets
that folder as XDG_RUNTIME_DIR, which WebKit's sandbox lets its page processes reach. Nothing is
downloaded: GStreamer's encoders make every compressed file, the plain PCM containers are
written here.
"""

import array
import math
import os
import shutil
import statistics
import struct
import subprocess
import tempfile
import time

from processes import end_politely

SINK = "vorl_test"
RATE = 44100


class SoundServer:
    """PulseAudio with one null sink, the default, whose monitor can be recorded."""

    def __init__(self):
        self.runtime = tempfile.mkdtemp(prefix="vorl-pulse-")
        os.chmod(self.runtime, 0o700)
        self.home = os.path.join(self.runtime, "home")
        os.mkdir(self.home)
        self.environment = {"XDG_RUNTIME_DIR": self.runtime}
        own = dict(os.environ, XDG_RUNTIME_DIR=self.runtime, HOME=self.home)
        own.pop("PULSE_SERVER", None)
        self._own = own
        self.log_path = os.path.join(self.runtime, "pulseaudio.log")
        with open(self.log_path, "w") as log:
            self.process = subprocess.Popen(
                ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit",
                 "-L", "module-null-sink sink_name=%s rate=%d channels=2" % (SINK, RATE),
                 "-L", "module-native-protocol-unix"],
                env=own, stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT)
        deadline = time.monotonic() + 10
        while subprocess.run(["pactl", "set-default-sink", SINK], env=own, capture_output=True).returncode != 0:
            if self.process.poll() is not None or time.monotonic() > deadline:
                self.stop()
                with open(self.log_path, encoding="utf-8", errors="replace") as log:
                    raise AssertionError("the sound server did not start:\n" + log.read()[-3000:])
            time.sleep(0.1)
        # The sink is kept busy with silence: an idle null sink gives its monitor nothing, and a
        # recording would lose the time nothing played.
        self.silence = None
        with open("/dev/zero", "rb") as zeros:
          if os.environ.get("SILENCE") == "1":
            self.silence = subprocess.Popen(
                ["pacat", "--playback", "--raw", "--format=s16le", "--rate=%d" % RATE, "--channels=2",
                 "--device=" + SINK], env=own, stdin=zeros, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.recorder = None

    def record(self, path):
        """Starts recording what reaches the sink, raw 16-bit stereo at RATE, into path."""
        self.recording = path
        with open(path, "wb") as output:
            self.recorder = subprocess.Popen(
                ["parec", "--device=%s.monitor" % SINK, "--rate=%d" % RATE, "--channels=2", "--format=s16le",
                 "--raw", "--latency-msec=10"], env=self._own, stdin=subprocess.DEVNULL, stdout=output, stderr=subprocess.DEVNULL)
        # Live once its first block is out, which holds what reached the sink up to a moment ago:
        # what plays from now on is in the recording.
        deadline = time.monotonic() + 10
        while self.held() == 0 and time.monotonic() < deadline:
            time.sleep(0.01)
        self.recording_started = time.monotonic() - self.held()

    def held(self):
        """How many seconds of sound the recording holds so far."""
        return os.path.getsize(self.recording) / (4 * RATE)

    def stop_recording(self):
        """Ends the recording once it holds what reached the sink until a moment ago (the
        recorder writes in blocks and loses the block it holds when stopped), and returns one
        channel of it: (rate, samples from -1 to 1)."""
        until = time.monotonic() - self.recording_started - 0.2
        deadline = time.monotonic() + 10
        while self.held() < until and time.monotonic() < deadline:
            time.sleep(0.05)
        self.recorder.kill()
        self.recorder.wait(10)
        self.recorder = None
        with open(self.recording, "rb") as raw:
            frames = array.array("h", raw.read())
        return RATE, [value / 32768.0 for value in frames[0::2]]

    def stop(self):
        for helper in (self.recorder, getattr(self, "silence", None)):
            if helper is not None and helper.poll() is None:
                helper.kill()
                helper.wait(10)
        end_politely(self.process)
        shutil.rmtree(self.runtime, ignore_errors=True)


class Tone:
    """What a listener notices of a tone in a recording: where it starts and ends, its frequency,
    its level and whether it ever fell silent inside."""

    WINDOW = 0.010  # seconds

    def __init__(self, rate, samples, threshold_db=-30.0):
        self.rate = rate
        window = int(rate * self.WINDOW)
        levels = [rms(samples[start:start + window]) for start in range(0, len(samples) - window, window)]
        loud = [i for i, level in enumerate(levels) if level > 10 ** (threshold_db / 20)]
        if not loud:
            raise AssertionError("nothing reached the sink")
        first, last = loud[0], loud[-1]
        # The edges to the sample: the first and last samples of the loud stretch above a tenth of its peak.
        stretch = samples[first * window:(last + 1) * window]
        peak = max(abs(value) for value in stretch)
        above = [i for i, value in enumerate(stretch) if abs(value) > peak / 10]
        self.start = (first * window + above[0]) / rate
        self.end = (first * window + above[-1]) / rate
        self.length = self.end - self.start
        inner = samples[int((self.start + 0.02) * rate):int((self.end - 0.02) * rate)]
        self.level_db = 20 * math.log10(rms(inner))
        self.frequency = crossing_frequency(inner, rate)
        inside = levels[first + 2:last - 1]
        self.quietest_window_db = 20 * math.log10(max(min(inside), 1e-9)) if inside else None
        self.silent_windows = sum(1 for level in inside if level < rms(inner) / 10)
        self.skips = phase_skips(inner)


def rms(samples):
    return math.sqrt(sum(value * value for value in samples) / max(len(samples), 1))


def rising_crossings(samples):
    """Where the signal rises through zero, each placed between its two samples."""
    return [i - 1 + samples[i - 1] / (samples[i - 1] - samples[i])
            for i in range(1, len(samples)) if samples[i - 1] < 0 <= samples[i]]


def phase_skips(samples):
    """How often the period between rising zero crossings is off by more than two samples: a
    stretch of the tone skipped or played twice, which a listener hears as a click."""
    crossings = rising_crossings(samples)
    periods = [later - earlier for earlier, later in zip(crossings, crossings[1:])]
    if not periods:
        return 0
    usual = statistics.median(periods)
    return sum(1 for period in periods if abs(period - usual) > 2)


def crossing_frequency(samples, rate):
    """The frequency from the rising zero crossings."""
    crossings = rising_crossings(samples)
    if len(crossings) < 2:
        return 0.0
    return (len(crossings) - 1) * rate / (crossings[-1] - crossings[0])


# The files of the format table: name, what makes it, and how many channels it decodes to.
TONE = "audiotestsrc wave=sine freq=1000 volume=0.5 samplesperbuffer=4410 num-buffers=10"
GSTREAMER_FORMATS = {
    "pcm16.wav": "audio/x-raw,format=S16LE,rate=44100,channels=2 ! wavenc",
    "pcm24.wav": "audio/x-raw,format=S24LE,rate=44100,channels=2 ! wavenc",
    "float32.wav": "audio/x-raw,format=F32LE,rate=44100,channels=2 ! wavenc",
    "pcm16.aiff": "audio/x-raw,format=S16BE,rate=44100,channels=2 ! aiffmux",
    "pcm24.aiff": "audio/x-raw,format=S24BE,rate=44100,channels=2 ! aiffmux",
    "tone.mp3": "audio/x-raw,rate=44100,channels=2 ! audioconvert ! lamemp3enc target=bitrate bitrate=192 ! xingmux ! id3v2mux",
    "aac.m4a": "audio/x-raw,rate=44100,channels=2 ! audioconvert ! avenc_aac ! aacparse ! mp4mux",
    "alac.m4a": "audio/x-raw,rate=44100,channels=2 ! audioconvert ! avenc_alac ! mp4mux",
    "tone.flac": "audio/x-raw,rate=44100,channels=2 ! audioconvert ! flacenc",
    "vorbis.ogg": "audio/x-raw,rate=44100,channels=2 ! audioconvert ! vorbisenc ! oggmux",
    "tone.opus": "audio/x-raw,rate=44100,channels=2 ! audioconvert ! audioresample ! opusenc ! oggmux",
}


def make_fixtures(folder):
    """Every format of the table, 1 s of a 1 kHz tone at half of full scale in two channels.
    Returns their names."""
    for name, encoding in GSTREAMER_FORMATS.items():
        subprocess.run(["gst-launch-1.0", "-q"] + (TONE + " ! " + encoding).split() +
                       ["!", "filesink", "location=" + os.path.join(folder, name)], check=True,
                       stdout=subprocess.DEVNULL)
    frames = [0.5 * math.sin(2 * math.pi * 1000 * n / RATE) for n in range(RATE)]
    stereo = [value for value in frames for _ in range(2)]
    pcm16 = [round(value * 32767) for value in stereo]
    writers = {
        "extensible.wav": lambda: wav_file(pcm16_bytes(pcm16, "<"), extensible=True),
        "broadcast.wav": lambda: wav_file(pcm16_bytes(pcm16, "<"), extra=chunk(b"bext", b"\0" * 602, "<")),
        "none.aifc": lambda: aifc_file(b"NONE", pcm16_bytes(pcm16, ">"), 16),
        "sowt.aifc": lambda: aifc_file(b"sowt", pcm16_bytes(pcm16, "<"), 16),
        "fl32.aifc": lambda: aifc_file(b"fl32", struct.pack(">%df" % len(stereo), *stereo), 32),
        "tone.caf": lambda: caf_file(pcm16_bytes(pcm16, ">")),
    }
    for name, write in writers.items():
        with open(os.path.join(folder, name), "wb") as fixture:
            fixture.write(write())
    return sorted(list(GSTREAMER_FORMATS) + list(writers))


def pcm16_bytes(samples, order):
    return struct.pack("%s%dh" % (order, len(samples)), *samples)


def chunk(name, body, order):
    return name + struct.pack(order + "I", len(body)) + body + (b"\0" if len(body) % 2 else b"")


def wav_file(data, extensible=False, extra=b""):
    if extensible:
        fmt = struct.pack("<HHIIHHHHI", 0xFFFE, 2, RATE, RATE * 4, 4, 16, 22, 16, 3)
        fmt += struct.pack("<IHH", 1, 0x0000, 0x0010) + bytes([0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71])
    else:
        fmt = struct.pack("<HHIIHH", 1, 2, RATE, RATE * 4, 4, 16)
    body = b"WAVE" + extra + chunk(b"fmt ", fmt, "<") + chunk(b"data", data, "<")
    return b"RIFF" + struct.pack("<I", len(body)) + body


def extended(rate):
    exponent = int(math.floor(math.log2(rate)))
    return struct.pack(">HQ", 16383 + exponent, int(rate * 2 ** (63 - exponent)))


def aifc_file(compression, data, bits):
    comm = struct.pack(">hIh", 2, RATE, bits) + extended(RATE) + compression + b"\x04none\0"
    body = (b"AIFC" + chunk(b"FVER", struct.pack(">I", 0xA2805140), ">") + chunk(b"COMM", comm, ">") +
            chunk(b"SSND", struct.pack(">II", 0, 0) + data, ">"))
    return b"FORM" + struct.pack(">I", len(body)) + body


def caf_file(data):
    desc = struct.pack(">d", float(RATE)) + b"lpcm" + struct.pack(">IIIII", 0, 4, 1, 2, 16)
    return (b"caff" + struct.pack(">HH", 1, 0) + b"desc" + struct.pack(">q", len(desc)) + desc +
            b"data" + struct.pack(">q", len(data) + 4) + b"\0\0\0\0" + data)
