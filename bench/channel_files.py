"""The channel table's files: 24-bit 48 kHz tones of 5 s in 1 to 32 channels, as WAV (plain,
EXTENSIBLE with back or side surrounds, mask 0), AIFF, AIFF-C and CAF, each channel a tone of its
own at a level of its own; and compressed files of 6 and 8 channels, as far as GStreamer's
encoders make them."""

import math
import os
import struct
import subprocess

RATE = 48000
SECONDS = 5
# name's stem, channels, WAV's channel mask (None: plain PCM)
LAYOUTS = [("1ch", 1, None), ("2ch", 2, None), ("6ch-back", 6, 0x3F), ("6ch-side", 6, 0x60F), ("7ch", 7, None),
           ("8ch", 8, 0x63F), ("12ch-mask0", 12, 0), ("32ch-mask0", 32, 0)]


def level(channel, channels):
    return (channel + 1) / (2 * channels)


def samples_le(channels):
    """Interleaved 24-bit little-endian samples of every channel."""
    period = {channel: 200 + 50 * channel for channel in range(channels)}
    frames = bytearray()
    for n in range(SECONDS * RATE):
        for channel in range(channels):
            value = round(level(channel, channels) * 8388607 * math.sin(2 * math.pi * period[channel] * n / RATE))
            frames += struct.pack("<i", value)[:3]
    return bytes(frames)


def big_endian(little):
    swapped = bytearray(little)
    swapped[0::3], swapped[2::3] = little[2::3], little[0::3]
    return bytes(swapped)


def wav(channels, mask, data):
    if mask is None:
        fmt = struct.pack("<HHIIHH", 1, channels, RATE, RATE * channels * 3, channels * 3, 24)
    else:
        fmt = struct.pack("<HHIIHHHHIIHH", 0xFFFE, channels, RATE, RATE * channels * 3, channels * 3, 24, 22, 24, mask,
                          1, 0, 0x10) + bytes([0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71])
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(data)) + data
    return b"RIFF" + struct.pack("<I", len(body)) + body


def aiff(channels, data, compression=None):
    exponent = RATE.bit_length() - 1
    rate = struct.pack(">HQ", 16383 + exponent, RATE << (63 - exponent))
    comm = struct.pack(">hIh", channels, SECONDS * RATE, 24) + rate + (compression + b"\x04none\0" if compression else b"")
    body = (b"AIFC" if compression else b"AIFF") + b"COMM" + struct.pack(">I", len(comm)) + comm + b"SSND" + \
        struct.pack(">III", len(data) + 8, 0, 0) + data
    return b"FORM" + struct.pack(">I", len(body)) + body


def caf(channels, data):
    desc = struct.pack(">d", float(RATE)) + b"lpcm" + struct.pack(">IIIII", 2, 3 * channels, 1, channels, 24)
    return b"caff" + struct.pack(">HH", 1, 0) + b"desc" + struct.pack(">q", len(desc)) + desc + b"data" + \
        struct.pack(">qI", len(data) + 4, 0) + data


def make_channel_files(folder):
    """Writes the files; returns, in the table's order, each name and the level of each channel. The
    WAV files of unpositioned channels come last: the floor's page stops running at the first."""
    files = []
    for stem, channels, mask in LAYOUTS:
        little = samples_le(channels)
        big = big_endian(little)
        levels = [level(channel, channels) for channel in range(channels)]
        for name, contents in ((f"{stem}.wav", wav(channels, mask, little)), (f"{stem}.aiff", aiff(channels, big)),
                               (f"{stem}.aifc", aiff(channels, little, b"sowt")), (f"{stem}.caf", caf(channels, little))):
            with open(os.path.join(folder, name), "wb") as out:
                out.write(contents)
            files.append({"name": name, "levels": levels})
    tone = "audiotestsrc wave=sine freq=300 volume=0.4 num-buffers=100"
    for channels in (6, 8):
        for name, encoder in ((f"{channels}ch.flac", "flacenc"), (f"{channels}ch.ogg", "vorbisenc ! oggmux"),
                              (f"{channels}ch.opus", "opusenc ! oggmux"), (f"{channels}ch.m4a", "avenc_aac ! mp4mux")):
            made = subprocess.run(["gst-launch-1.0", "-q"] + (f"{tone} ! audio/x-raw,rate=48000,channels={channels} ! "
                                  f"audioconvert ! {encoder}").split() + ["!", "filesink", "location=" +
                                  os.path.join(folder, name)], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            if made.returncode == 0:
                files.append({"name": name, "levels": []})
    unpositioned = [one for one in files if one["name"].endswith("mask0.wav")]
    return [one for one in files if one not in unpositioned] + unpositioned
