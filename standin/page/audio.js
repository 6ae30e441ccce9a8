// The audio section: three notes the engine makes, decoded in the page, drawn as a waveform and
// played on the button.
"use strict";

function drawWaveform(canvas, samples) {
  const width = canvas.width = canvas.clientWidth * window.devicePixelRatio;
  const height = canvas.height = canvas.clientHeight * window.devicePixelRatio;
  const drawing = canvas.getContext("2d");
  drawing.fillStyle = "#f0b85a";
  const perColumn = samples.length / width;
  for (let x = 0; x < width; ++x) {
    let low = 0, high = 0;
    for (let i = Math.floor(x * perColumn); i < Math.floor((x + 1) * perColumn); ++i) {
      low = Math.min(low, samples[i]);
      high = Math.max(high, samples[i]);
    }
    drawing.fillRect(x, (1 - high) * height / 2, 1, Math.max(1, (high - low) * height / 2));
  }
}

// Once the page has loaded, so that neither its load nor its script waits for the decoding; the
// notes are decoded off any audio output, and a context that plays, which keeps its output busy,
// is made on the first play.
window.addEventListener("load", async () => {
  const status = document.getElementById("audio-status");
  const button = document.getElementById("btn-play");
  let context = null;
  try {
    const response = await fetch("/audio/notes.wav");
    const notes = await new OfflineAudioContext(1, 1, 44100).decodeAudioData(await response.arrayBuffer());
    drawWaveform(document.getElementById("waveform"), notes.getChannelData(0));
    fetch("/api/mark?waveform", {method: "POST"}).catch(() => {}); // for a screenshot to wait for
    status.textContent = notes.duration.toFixed(1) + " s, " + notes.sampleRate + " Hz";
    button.disabled = false;
    button.addEventListener("click", async () => {
      context = context || new AudioContext();
      await context.resume();
      const source = context.createBufferSource();
      source.buffer = notes;
      source.connect(context.destination);
      source.start();
      log("Spiller av tre toner");
    });
  } catch (e) {
    status.textContent = "Kunne ikke dekode lyden: " + e.message;
  }
});
