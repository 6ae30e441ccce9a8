// The sound of plain PCM files read by the application's own code, as the page's decoder would
// give it: every channel in the file's order (pcm_layouts.js reads where and how it lies),
// resampled to the rate asked for. Plain functions on bytes, with nothing of the page's: the
// tool's pages run them in their workers (decode_audio.js), and the tests in a bare JavaScript
// engine, each after pcm_layouts.js.
function pcmDecoding() {
    "use strict";

    const {readLayout} = pcmLayouts();
    const view = (bytes) => new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);

    // G.711's companded bytes as linear samples.
    const companded = (encoding) => Float32Array.from({length: 256}, (_, index) => {
        if (encoding === "ulaw") {
            const u = ~index & 0xff, magnitude = ((((u & 0x0f) << 3) + 0x84) << ((u >> 4) & 7)) - 0x84;
            return (u & 0x80 ? -magnitude : magnitude) / 32768;
        }
        const a = index ^ 0x55, exponent = (a >> 4) & 7, mantissa = a & 0x0f;
        const magnitude = exponent ? ((mantissa << 4) + 0x108) << (exponent - 1) : (mantissa << 4) + 8;
        return (a & 0x80 ? magnitude : -magnitude) / 32768;
    });

    // Frames [0, count) of bytes, the file's frames as they lie, as one array per channel.
    const readFrames = (layout, bytes, count) => {
        const {channels, frameBytes, sample: format} = layout;
        const data = view(bytes), little = !format.bigEndian, width = format.width;
        const outputs = Array.from({length: channels}, () => new Float32Array(count));
        const table = format.encoding === "alaw" || format.encoding === "ulaw" ? companded(format.encoding) : null;
        const shift = 32 - 8 * width, lowShift = format.lowAligned ? 32 - format.bits : 0;
        const scale = 2 ** -(format.lowAligned ? format.bits - 1 : 8 * width - 1);
        for (let channel = 0; channel < channels; ++channel) {
            const output = outputs[channel];
            let at = channel * width;
            if (table) {
                for (let frame = 0; frame < count; ++frame, at += frameBytes)
                    output[frame] = table[bytes[at]];
            } else if (format.encoding === "float") {
                for (let frame = 0; frame < count; ++frame, at += frameBytes)
                    output[frame] = width === 4 ? data.getFloat32(at, little) : data.getFloat64(at, little);
            } else if (width === 2 && !lowShift) {
                for (let frame = 0; frame < count; ++frame, at += frameBytes)
                    output[frame] = data.getInt16(at, little) * scale;
            } else if (width === 1 && !lowShift) {
                const offset = format.unsignedBytes ? 128 : 0;
                for (let frame = 0; frame < count; ++frame, at += frameBytes)
                    output[frame] = (((bytes[at] - offset) << 24) >> 24) * scale;
            } else {
                // 3 or 4 bytes: the word's bytes, most significant first, into the top of 32 bits.
                for (let frame = 0; frame < count; ++frame, at += frameBytes) {
                    let word = 0;
                    for (let byte = 0; byte < width; ++byte)
                        word = (word << 8) | bytes[at + (little ? width - 1 - byte : byte)];
                    word <<= shift;
                    output[frame] = (lowShift ? (word << (lowShift - shift)) >> lowShift : word >> shift) * scale;
                }
            }
        }
        return outputs;
    };

    // Resampling: a Kaiser-windowed sinc, 64 taps at a rate not lowered, widened by as much as a
    // lower rate needs (to a multiple of 8, for the sums below), its cutoff a little below the
    // lower Nyquist frequency.
    const zeroCrossings = 32, passband = 0.92, beta = 8;
    const bessel = (x) => {
        let sum = 1, term = 1;
        for (let k = 1; k < 40; ++k) {
            term *= (x / (2 * k)) ** 2;
            sum += term;
        }
        return sum;
    };
    const filters = new Map();
    // The filter from inRate to outRate: its half width in input frames, and for each phase the
    // weights of the input frames around an output frame.
    const filterFor = (inRate, outRate) => {
        const key = inRate + ">" + outRate;
        if (filters.has(key))
            return filters.get(key);
        const ratio = Math.min(1, outRate / inRate), cutoff = 0.5 * ratio * passband;
        const half = 4 * Math.ceil(zeroCrossings / ratio / 4);
        const gcd = (a, b) => (b ? gcd(b, a % b) : a);
        const exact = Number.isInteger(inRate) && Number.isInteger(outRate) && outRate / gcd(inRate, outRate) <= 4096;
        const phases = exact ? outRate / gcd(inRate, outRate) : 4096;
        const weights = new Float64Array(phases * 2 * half);
        for (let phase = 0; phase < phases; ++phase) {
            let sum = 0;
            for (let tap = 0; tap < 2 * half; ++tap) {
                const x = tap - (half - 1) - phase / phases, window = 1 - (x / half) ** 2;
                const sinc = x === 0 ? 2 * cutoff : Math.sin(2 * Math.PI * cutoff * x) / (Math.PI * x);
                const weight = window > 0 ? sinc * bessel(beta * Math.sqrt(window)) : 0;
                weights[phase * 2 * half + tap] = weight;
                sum += weight;
            }
            for (let tap = 0; tap < 2 * half; ++tap)
                weights[phase * 2 * half + tap] /= sum;
        }
        const filter = {half, phases, exact, weights};
        filters.set(key, filter);
        return filter;
    };

    // Where output frame o lies among the input frames: the frame at or before it, and the phase
    // of the weights for it, written to frames[index] and phases[index].
    const place = (filter, inRate, outRate, o, frames, phases, index) => {
        let frame, phase;
        if (filter.exact) {
            const numerator = o * inRate;
            frame = Math.floor(numerator / outRate);
            phase = Math.round((numerator - frame * outRate) * filter.phases / outRate);
        } else {
            const t = o * inRate / outRate;
            frame = Math.floor(t);
            phase = Math.round((t - frame) * filter.phases);
            if (phase === filter.phases) {
                frame += 1;
                phase = 0;
            }
        }
        frames[index] = frame;
        phases[index] = phase;
    };
    const frameOf = (filter, inRate, outRate, o) => {
        const frames = [0], phases = [0];
        place(filter, inRate, outRate, o, frames, phases, 0);
        return frames[0];
    };

    // How many frames the whole sound has at outRate.
    const outputLength = (layout, outRate) =>
        layout.rate === outRate ? layout.frames : Math.ceil(layout.frames * outRate / layout.rate);

    // The input frames, [first, end), that output frames [start, start + count) are made of.
    const inputSpan = (layout, outRate, start, count) => {
        if (layout.rate === outRate)
            return {first: start, end: start + count};
        const filter = filterFor(layout.rate, outRate);
        const first = frameOf(filter, layout.rate, outRate, start) - (filter.half - 1);
        const last = frameOf(filter, layout.rate, outRate, start + count - 1) + filter.half;
        return {first: Math.max(0, first), end: Math.min(layout.frames, last + 1)};
    };

    // Output frames [start, start + count) at outRate, one array per channel, from bytes, which
    // hold the input frames inputSpan names.
    const decodeBlock = (layout, bytes, outRate, start, count) => {
        const span = inputSpan(layout, outRate, start, count);
        const input = readFrames(layout, bytes, span.end - span.first);
        if (layout.rate === outRate)
            return input;
        const filter = filterFor(layout.rate, outRate), taps = 2 * filter.half;
        // Each output frame's first input frame within the block, and where its weights begin.
        const froms = new Int32Array(count), bases = new Int32Array(count);
        const frames = [0], phases = [0];
        for (let o = 0; o < count; ++o) {
            place(filter, layout.rate, outRate, start + o, frames, phases, 0);
            froms[o] = frames[0] - (filter.half - 1) - span.first;
            bases[o] = phases[0] * taps;
        }
        return input.map((samples) => convolve(samples, filter.weights, taps, froms, bases));
    };

    // The weighted sums, in eight running sums each, which the JIT keeps apart and so runs about
    // four times as fast as one; a frame whose taps reach past the block's ends takes what is there.
    const convolve = (samples, weights, taps, froms, bases) => {
        const count = froms.length, output = new Float32Array(count), length = samples.length;
        for (let o = 0; o < count; ++o) {
            const from = froms[o], base = bases[o];
            if (from < 0 || from + taps > length) {
                let sum = 0;
                for (let tap = Math.max(0, -from); tap < Math.min(taps, length - from); ++tap)
                    sum += weights[base + tap] * samples[from + tap];
                output[o] = sum;
                continue;
            }
            let a = 0, b = 0, c = 0, d = 0, e = 0, f = 0, g = 0, h = 0;
            for (let tap = 0; tap < taps; tap += 8) {
                const w = base + tap, x = from + tap;
                a += weights[w] * samples[x];
                b += weights[w + 1] * samples[x + 1];
                c += weights[w + 2] * samples[x + 2];
                d += weights[w + 3] * samples[x + 3];
                e += weights[w + 4] * samples[x + 4];
                f += weights[w + 5] * samples[x + 5];
                g += weights[w + 6] * samples[x + 6];
                h += weights[w + 7] * samples[x + 7];
            }
            output[o] = a + b + (c + d) + (e + f + (g + h));
        }
        return output;
    };

    return {readLayout, outputLength, inputSpan, decodeBlock};
}
