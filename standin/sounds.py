"""The stand-in engine's sounds, made when they are first asked for: the same bytes every time."""

import array
import functools
import io
import math
import struct
import sys
import wave


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
