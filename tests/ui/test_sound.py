"""The page is an audio tool: what a listener hears at a sound server of the test's own, every
format a sound designer brings decoded in the window, and a slice exported from the page."""

import base64
import math
import os
import shutil
import struct
import subprocess
import tempfile
import time
import unittest

from harness import EnginePageTestCase, wait_for
from sound import RATE, SoundServer, Tone, chunk, make_fixtures, pcm16_bytes, wav_file

HERE = os.path.dirname(os.path.abspath(__file__))
TONE_DB = 20 * math.log10(0.5 / math.sqrt(2))  # a sine at half of full scale
LOSSY = ("tone.mp3", "aac.m4a", "vorbis.ogg", "tone.opus")


class SoundTestCase(EnginePageTestCase):
    """The engine's page, with the fixtures served by the engine and a sound server the app
    plays through."""

    def setUp(self):
        self.fixtures = tempfile.mkdtemp(prefix="vorl-lyd-")
        self.addCleanup(shutil.rmtree, self.fixtures, ignore_errors=True)
        self.formats = make_fixtures(self.fixtures)
        shutil.copy(os.path.join(HERE, "sound_page.html"), self.fixtures)
        # Silence first: the platform drops the first moments of a stream, a second or so at worst.
        lead_in = [0.0] * (2 * RATE) + [0.5 * math.sin(2 * math.pi * 1000 * n / RATE) for n in range(RATE)]
        with open(os.path.join(self.fixtures, "lead-in.wav"), "wb") as wav:
            wav.write(wav_file(pcm16_bytes([round(value * 32767) for value in lead_in for _ in range(2)], "<")))
        self.sound = SoundServer()
        self.addCleanup(self.sound.stop)
        self.app_environment = dict(self.sound.environment, VORL_STANDIN_FIXTURES=self.fixtures)
        super().setUp()

    def hear(self, kind):
        """Records what reaches the sink while the sound page plays the tone its way."""
        self.sound.record(os.path.join(self.fixtures, kind + ".raw"))
        self.app.driver.js("location.href = '/fixtures/sound_page.html?%s'; return true;" % kind)
        self.app.wait_for_uri(lambda uri: uri.endswith("?" + kind), description="the sound page")
        self.app.driver.wait_until(lambda: self.app.driver.js("return window.played"), timeout=30,
                                   description="the tone to have played")
        self.assertEqual(self.app.driver.js("return window.played"), kind)
        time.sleep(1.0)  # what the page has played is on its way through the sound server's buffers
        return Tone(*self.sound.stop_recording())

    def assert_heard_whole(self, tone):
        self.assertAlmostEqual(tone.frequency, 1000, delta=10, msg="frequency")
        self.assertAlmostEqual(tone.level_db, TONE_DB, delta=1, msg="level")
        self.assertAlmostEqual(tone.length, 1.0, delta=0.030, msg="length")
        self.assertGreater(tone.quietest_window_db, TONE_DB - 6, "no 10 ms inside the tone fell silent")


class Hearing(SoundTestCase):
    def test_web_audio_started_by_the_page_reaches_the_speakers_whole(self):
        self.assert_heard_whole(self.hear("webaudio"))

    def test_an_audio_element_started_by_the_page_reaches_the_speakers_whole(self):
        self.assert_heard_whole(self.hear("audio"))


class Formats(SoundTestCase):
    def decode_all(self, names, times=1):
        """Decodes each file times times in a row, each given 2 s to settle; returns for each
        name its last result and the slowest decode, in ms."""
        return self.app.driver.js("""
            const context = new AudioContext();
            const results = {};
            for (const name of %s) {
              const bytes = await (await fetch('/fixtures/' + name)).arrayBuffer();
              let slowest = 0, result = null;
              for (let time = 0; time < %d; ++time) {
                const started = performance.now();
                try {
                  const buffer = await Promise.race([context.decodeAudioData(bytes.slice(0)),
                      new Promise((_, reject) => setTimeout(() => reject(new Error('unsettled')), 2000))]);
                  const middle = buffer.getChannelData(0).subarray(buffer.sampleRate / 4, buffer.sampleRate * 3 / 4);
                  result = {duration: buffer.duration, channels: buffer.numberOfChannels,
                            peak: middle.reduce((peak, value) => Math.max(peak, Math.abs(value)), 0)};
                } catch (error) {
                  result = {error: error.name === 'Error' ? error.message : error.name};
                }
                slowest = Math.max(slowest, performance.now() - started);
                if (result.error) break;
              }
              results[name] = Object.assign(result, {slowest: slowest});
            }
            return results;""" % (names, times), timeout=900)

    def test_every_format_decodes_with_its_length_channels_and_level_and_plays(self):
        decoded = self.decode_all(self.formats)
        for name in self.formats:
            with self.subTest(format=name):
                result = decoded[name]
                self.assertNotIn("error", result)
                self.assertAlmostEqual(result["duration"], 1.0, delta=0.06 if name in LOSSY else 0.001)
                self.assertEqual(result["channels"], 2)
                self.assertAlmostEqual(result["peak"], 0.5, delta=0.03 if name in LOSSY else 0.001)
        played = self.app.driver.js("""
            const results = {};
            for (const name of %s) {
              const audio = new Audio('/fixtures/' + name);
              results[name] = await new Promise((resolve) => {
                audio.onloadedmetadata = () => resolve({duration: audio.duration});
                audio.onerror = () => resolve({error: audio.error.code});
                setTimeout(() => resolve({error: 'unsettled'}), 10000);
              });
            }
            return results;""" % self.formats, timeout=300)
        for name in self.formats:
            with self.subTest(audio=name):
                # An encoder's delay and padding count in an element's duration.
                self.assertAlmostEqual(played[name].get("duration", 0), 1.0, delta=0.08 if name in LOSSY else 0.001,
                                       msg=played[name])
        self.assertTrue(self.app.driver.js(
            "return ['audio/mp4', 'audio/webm', 'audio/ogg'].some(type => MediaRecorder.isTypeSupported(type))"))

    def test_a_hundred_decodes_of_each_format_in_a_row_all_settle(self):
        decoded = self.decode_all(self.formats, times=100)
        self.assertEqual({name: result for name, result in decoded.items() if "error" in result}, {})
        print("slowest decode of 100 (ms): " + ", ".join("%s %.0f" % (name, result["slowest"])
                                                         for name, result in sorted(decoded.items())))

    def test_a_file_cut_short_is_rejected_as_the_platform_would(self):
        with open(os.path.join(self.fixtures, "pcm16.aiff"), "rb") as whole:
            cut = whole.read()[:50000]
        with open(os.path.join(self.fixtures, "cut.aiff"), "wb") as fixture:
            fixture.write(cut)
        self.assertEqual(self.decode_all(["cut.aiff"])["cut.aiff"]["error"], "EncodingError")


class RealSize(SoundTestCase):
    """Recordings as a show brings them: many tracks, and long."""

    def decode_while_asking(self, name):
        """Decodes a fixture while the page asks the window something every 100 ms; returns the
        buffer's channels, length and the level of each channel, and the slowest answer, in ms."""
        return self.app.driver.js("""
            const bytes = await (await fetch('/fixtures/%s')).arrayBuffer();
            // A context's start holds up the page's own thread while it reaches the sound server.
            const context = new AudioContext();
            await context.resume();
            const delays = [];
            let decoding = true;
            const ask = async () => {
              while (decoding) {
                const asked = performance.now();
                await window.webkit.messageHandlers.vorl.postMessage({cmd: 'hei'}).catch(() => null);
                delays.push(performance.now() - asked);
                await new Promise((resolve) => setTimeout(resolve, 100));
              }
            };
            const asking = ask();
            const buffer = await context.decodeAudioData(bytes);
            decoding = false;
            await asking;
            const levels = [];
            for (let channel = 0; channel < buffer.numberOfChannels; ++channel)
              levels.push(buffer.getChannelData(channel).subarray(0, buffer.sampleRate).reduce((peak, value) => Math.max(peak, Math.abs(value)), 0));
            return {channels: buffer.numberOfChannels, duration: buffer.duration, levels, slowest: Math.max(...delays)};""" % name,
            timeout=300)

    def test_a_twelve_track_recording_decodes_with_every_channel_each_its_own(self):
        rate, tracks = 48000, 12
        frames = [[(track + 1) / 24 * math.sin(2 * math.pi * (200 + 100 * track) * n / rate) for track in range(tracks)]
                  for n in range(2 * rate)]
        samples = b"".join(struct.pack("<i", round(value * 8388607))[:3] for frame in frames for value in frame)
        fmt = struct.pack("<HHIIHHHHIIHH", 0xFFFE, tracks, rate, rate * tracks * 3, tracks * 3, 24, 22, 24, 0, 1, 0, 0x10)
        fmt += bytes([0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71])
        body = b"WAVE" + chunk(b"fmt ", fmt, "<") + chunk(b"data", samples, "<")
        with open(os.path.join(self.fixtures, "tolv spor.wav"), "wb") as fixture:
            fixture.write(b"RIFF" + struct.pack("<I", len(body)) + body)
        decoded = self.decode_while_asking("tolv spor.wav")
        self.assertEqual(decoded["channels"], tracks)
        self.assertAlmostEqual(decoded["duration"], 2.0, delta=0.001)
        for track, level in enumerate(decoded["levels"]):
            self.assertAlmostEqual(level, (track + 1) / 24, delta=0.01, msg="track %d" % (track + 1))

    def test_a_ten_minute_aiff_decodes_while_the_window_keeps_answering_the_page(self):
        subprocess.run(["gst-launch-1.0", "-q"] + ("audiotestsrc wave=sine freq=1000 volume=0.5 samplesperbuffer=44100 "
                       "num-buffers=600 ! audio/x-raw,format=S16BE,rate=44100,channels=2 ! aiffmux ! filesink").split() +
                       ["location=" + os.path.join(self.fixtures, "ti minutter.aiff")], check=True)
        decoded = self.decode_while_asking("ti minutter.aiff")
        print("10 min AIFF: slowest answer to the page during the decode %.0f ms" % decoded["slowest"])
        self.assertEqual(decoded["channels"], 2)
        self.assertAlmostEqual(decoded["duration"], 600.0, delta=0.001)
        self.assertAlmostEqual(decoded["levels"][0], 0.5, delta=0.001)
        # The window answered within a second at worst: no decode holds it up.
        self.assertLess(decoded["slowest"], 1000)


class Export(SoundTestCase):
    def test_a_slice_made_in_the_page_is_offered_under_its_name_and_saved_whole(self):
        made = self.app.driver.js("""
            const samples = new Int16Array(11025).map((_, n) => Math.round(16000 * Math.sin(2 * Math.PI * 440 * n / 44100)));
            const header = new DataView(new ArrayBuffer(44));
            const text = (at, value) => [...value].forEach((c, i) => header.setUint8(at + i, c.charCodeAt(0)));
            text(0, 'RIFF'); header.setUint32(4, 36 + samples.byteLength, true); text(8, 'WAVEfmt ');
            header.setUint32(16, 16, true); header.setUint16(20, 1, true); header.setUint16(22, 1, true);
            header.setUint32(24, 44100, true); header.setUint32(28, 88200, true); header.setUint16(32, 2, true);
            header.setUint16(34, 16, true); text(36, 'data'); header.setUint32(40, samples.byteLength, true);
            const blob = new Blob([header, samples], {type: 'audio/wav'});
            const link = document.createElement('a');
            link.href = URL.createObjectURL(blob);
            link.download = 'slice 1 ø.wav';
            document.body.append(link);
            setTimeout(() => link.click(), 0);
            const bytes = new Uint8Array(await blob.arrayBuffer());
            let binary = '';
            bytes.forEach((byte) => { binary += String.fromCharCode(byte); });
            return btoa(binary);""")
        chooser = self.dialog("file-chooser", action="save", current_name="slice 1 ø.wav",
                              current_folder=os.path.join(self.home.data, "Vuzezi for QLab"))
        chosen = os.path.join(self.home.path, "eksport ø.wav")
        self.app.driver.choose(chooser["id"], chosen)
        expected = base64.b64decode(made)
        def saved():
            with open(chosen, "rb") as file:
                return file.read()
        wait_for(lambda: os.path.exists(chosen) and saved() == expected, 20, "the saved slice")


if __name__ == "__main__":
    unittest.main()
