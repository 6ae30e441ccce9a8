// The sound of plain PCM files read by the application's own code, as the page's decoder would
// give it: WAV (PCM, float, A-law and µ-law, EXTENSIBLE with any channel mask, RF64), AIFF,
// AIFF-C and CAF linear PCM, of 1 to 32 channels in the file's order, resampled to the rate
// asked for. Plain functions on bytes, with nothing of the page's: the tool's pages run them in
// their workers (decode_audio.js), and the tests in a bare JavaScript engine.
function pcmDecoding() {
    "use strict";
    const maximumChannels = 32;

    const text = (bytes, at, length) => String.fromCharCode(...bytes.subarray(at, at + length));
    const view = (bytes) => new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);

    // How a sample lies in the file: encoding "int", "float", "alaw" or "ulaw"; width bytes
    // holding bits of it, high-aligned unless lowAligned; 8-bit integers as offset binary where
    // unsignedBytes.
    const sample = (encoding, width, bits, bigEndian, extra = {}) =>
        Object.assign({encoding, width, bits, bigEndian, unsignedBytes: false, lowAligned: false}, extra);

    // The layout, or null for a file of ours that cannot be decoded.
    const layoutOf = (container, channels, rate, format, dataOffset, dataBytes) => {
        if (!format || !(channels >= 1 && channels <= maximumChannels) || !(rate >= 1000 && rate <= 768000))
            return null;
        const frameBytes = channels * format.width;
        return {container, channels, rate, sample: format, dataOffset, frameBytes,
                frames: Math.floor(dataBytes / frameBytes)};
    };

    // WAV: its format tags of ours are PCM (1), float (3), A-law (6) and µ-law (7), also inside
    // EXTENSIBLE. A sound chunk longer than the file holds what there is of it, as the platform
    // decodes it.
    const wavLayout = (bytes) => {
        const data = view(bytes);
        let fmt = null, sound = null, size64 = null;
        for (let at = 12; at + 8 <= bytes.length;) {
            const id = text(bytes, at, 4);
            let size = data.getUint32(at + 4, true);
            if (id === "ds64" && size >= 24 && at + 32 <= bytes.length)
                size64 = data.getUint32(at + 16, true) + data.getUint32(at + 20, true) * 2 ** 32;
            if (id === "data") {
                const open = size === 0xffffffff;
                sound = {at: at + 8, size: Math.min(open ? size64 ?? Infinity : size, bytes.length - at - 8)};
                break;
            }
            if (id === "fmt ") {
                if (size < 16 || at + 8 + size > bytes.length)
                    return null;
                fmt = {tag: data.getUint16(at + 8, true), channels: data.getUint16(at + 10, true),
                       rate: data.getUint32(at + 12, true), blockAlign: data.getUint16(at + 20, true),
                       bits: data.getUint16(at + 22, true)};
                if (fmt.tag === 0xfffe && size >= 40) {
                    fmt.bits = data.getUint16(at + 26, true) || fmt.bits;
                    fmt.tag = data.getUint16(at + 32, true);
                }
            }
            at += 8 + size + (size & 1);
        }
        if (!fmt)
            return null;
        if (![1, 3, 6, 7].includes(fmt.tag))
            return undefined; // compressed: the platform's
        if (!sound || fmt.channels === 0 || fmt.blockAlign % fmt.channels)
            return null;
        const width = fmt.blockAlign / fmt.channels;
        const format = fmt.tag === 3 ? (width === 4 || width === 8) && sample("float", width, 8 * width, false)
                     : fmt.tag !== 1 ? width === 1 && sample(fmt.tag === 6 ? "alaw" : "ulaw", 1, 8, false)
                     : width >= 1 && width <= 4 && fmt.bits >= 1 && fmt.bits <= 8 * width &&
                       sample("int", width, fmt.bits, false, {unsignedBytes: width === 1});
        return layoutOf("wav", fmt.channels, fmt.rate, format, sound.at, sound.size);
    };

    // AIFF's sample rate: an 80-bit extended number.
    const extended = (data, at) => {
        const exponent = data.getUint16(at) & 0x7fff;
        const mantissa = data.getUint32(at + 2) * 2 ** 32 + data.getUint32(at + 6);
        return data.getUint16(at) & 0x8000 ? 0 : mantissa * 2 ** (exponent - 16383 - 63);
    };

    const aiffSample = (type, bits) => {
        const bytes = Math.ceil(bits / 8);
        switch (type) {
        case "NONE": case "twos": return bytes >= 1 && bytes <= 4 && sample("int", bytes, bits, true);
        case "sowt": return bytes >= 1 && bytes <= 4 && sample("int", bytes, bits, false);
        case "in24": return sample("int", 3, 24, true);
        case "42ni": return sample("int", 3, 24, false);
        case "in32": return sample("int", 4, 32, true);
        case "23ni": return sample("int", 4, 32, false);
        case "fl32": case "FL32": return sample("float", 4, 32, true);
        case "fl64": case "FL64": return sample("float", 8, 64, true);
        case "raw ": return sample("int", 1, 8, true, {unsignedBytes: true});
        case "alaw": case "ALAW": return sample("alaw", 1, 8, true);
        case "ulaw": case "ULAW": return sample("ulaw", 1, 8, true);
        default: return null;
        }
    };

    // AIFF and AIFF-C: chunks to the file's end, whatever FORM's own size says, as writers that
    // stream get it wrong. The sound chunk may claim more than the file holds as long as every
    // frame COMM announces is there.
    const aiffLayout = (bytes) => {
        const data = view(bytes);
        const compressed = text(bytes, 8, 4) === "AIFC";
        let comm = null, sound = null;
        for (let at = 12; at + 8 <= bytes.length;) {
            const id = text(bytes, at, 4), size = data.getUint32(at + 4), available = bytes.length - at - 8;
            if (id === "COMM") {
                if (size > available || size < (compressed ? 22 : 18))
                    return null;
                comm = {channels: data.getUint16(at + 8), frames: data.getUint32(at + 10),
                        bits: data.getUint16(at + 14), rate: extended(data, at + 16),
                        type: compressed ? text(bytes, at + 26, 4) : "NONE"};
            } else if (id === "SSND") {
                if (size < 8 || available < 8)
                    return null;
                const first = at + 16 + data.getUint32(at + 8);
                sound = {at: first, end: at + 8 + Math.min(size, available)};
                if (sound.at > sound.end)
                    return null;
            } else if (size > available) {
                return null;
            }
            at += 8 + size + (size & 1);
        }
        if (!comm || !sound)
            return null;
        const layout = layoutOf(compressed ? "aifc" : "aiff", comm.channels, comm.rate,
                                aiffSample(comm.type, comm.bits), sound.at, sound.end - sound.at);
        if (!layout || layout.frames < comm.frames)
            return null; // cut short of the frames it announces, or compressed
        layout.frames = comm.frames;
        return layout;
    };

    // CAF: desc first, then any chunks; only the sound chunk may leave its size open (-1), and it
    // then goes to the file's end. Packets may be wider than their samples, which lie in the
    // low bits unless the flags say high (CoreAudio's aligned-high flag, 0x10).
    const cafLayout = (bytes) => {
        const data = view(bytes);
        let desc = null, sound = null;
        for (let at = 8; at + 12 <= bytes.length;) {
            const id = text(bytes, at, 4), available = bytes.length - at - 12;
            const high = data.getInt32(at + 4), size = high * 2 ** 32 + data.getUint32(at + 8);
            const open = id === "data" && high === -1 && data.getUint32(at + 8) === 0xffffffff;
            if (!open && (size < 0 || size > available))
                return null;
            if (id === "desc" && size >= 32)
                desc = {rate: data.getFloat64(at + 12), format: text(bytes, at + 20, 4), flags: data.getUint32(at + 24),
                        packetBytes: data.getUint32(at + 28), packetFrames: data.getUint32(at + 32),
                        channels: data.getUint32(at + 36), bits: data.getUint32(at + 40)};
            if (id === "data") {
                const length = open ? available : size;
                if (length < 4)
                    return null;
                sound = {at: at + 16, size: length - 4};
                if (open)
                    break;
            }
            at += 12 + size;
        }
        if (!desc || !sound || desc.packetFrames !== 1 || !desc.channels || desc.packetBytes % desc.channels)
            return null;
        const width = desc.packetBytes / desc.channels, littleEndian = (desc.flags & 2) !== 0;
        let format = null;
        if (desc.format === "lpcm" && desc.flags & 1)
            format = (desc.bits === 32 || desc.bits === 64) && width === desc.bits / 8 &&
                     sample("float", width, desc.bits, !littleEndian);
        else if (desc.format === "lpcm")
            format = desc.bits >= 1 && desc.bits <= 8 * width && width <= 4 &&
                     sample("int", width, desc.bits, !littleEndian, {lowAligned: !(desc.flags & 0x10) && desc.bits < 8 * width});
        else if (desc.format === "alaw" || desc.format === "ulaw")
            format = width === 1 && sample(desc.format, 1, 8, true);
        else
            return undefined; // compressed: the platform's
        return layoutOf("caf", desc.channels, desc.rate, format, sound.at, sound.size);
    };

    // Where the file is one of ours: its layout, or null where it cannot be decoded. undefined
    // for anything else, which the platform decodes.
    const readLayout = (bytes) => {
        if (bytes.length < 12)
            return undefined;
        const form = text(bytes, 0, 4), kind = text(bytes, 8, 4);
        if ((form === "RIFF" || form === "RF64" || form === "BW64") && kind === "WAVE")
            return wavLayout(bytes);
        if (form === "FORM" && (kind === "AIFF" || kind === "AIFC"))
            return aiffLayout(bytes);
        if (form === "caff" && bytes[4] === 0 && bytes[5] === 1)
            return cafLayout(bytes);
        return undefined;
    };

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
    // lower rate needs, its cutoff a little below the lower Nyquist frequency.
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
        const half = Math.ceil(zeroCrossings / ratio);
        const gcd = (a, b) => (b ? gcd(b, a % b) : a);
        const exact = Number.isInteger(inRate) && Number.isInteger(outRate) && outRate / gcd(inRate, outRate) <= 4096;
        const phases = exact ? outRate / gcd(inRate, outRate) : 4096;
        const weights = new Float32Array(phases * 2 * half);
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
        const filter = filterFor(layout.rate, outRate), taps = 2 * filter.half, weights = filter.weights;
        const frames = new Float64Array(count), phases = new Int32Array(count);
        for (let o = 0; o < count; ++o)
            place(filter, layout.rate, outRate, start + o, frames, phases, o);
        return input.map((samples) => {
            const output = new Float32Array(count);
            for (let o = 0; o < count; ++o) {
                const base = phases[o] * taps, from = frames[o] - (filter.half - 1) - span.first;
                const low = Math.max(0, -from), high = Math.min(taps, samples.length - from);
                let sum = 0;
                for (let tap = low; tap < high; ++tap)
                    sum += weights[base + tap] * samples[from + tap];
                output[o] = sum;
            }
            return output;
        });
    };

    return {readLayout, outputLength, inputSpan, decodeBlock};
}
