// The page's PCM decoding as a table: each file made here, and what its channels must hold.
// Evaluated after pcm_layouts.js and pcm_decoding.js in a bare JavaScript engine; its value is the list of failures.
(() => {
    const pcm = pcmDecoding();
    const failures = [];
    const fail = (what, message) => failures.push(what + ": " + message);

    // Files, made byte by byte.
    const bytesOf = (...parts) => {
        const out = [];
        for (const part of parts)
            typeof part === "string" ? out.push(...[...part].map((c) => c.charCodeAt(0))) : out.push(...part);
        return Uint8Array.from(out);
    };
    const uint = (value, width, little) => {
        const out = [];
        for (let i = 0; i < width; ++i)
            out.push(Math.floor(value / 2 ** (8 * i)) & 0xff);
        return little ? out : out.reverse();
    };
    const float = (value, width, little) => {
        const data = new DataView(new ArrayBuffer(width));
        width === 4 ? data.setFloat32(0, value, little) : data.setFloat64(0, value, little);
        return [...new Uint8Array(data.buffer)];
    };
    // A sample as an integer of bits, in width bytes, high- or low-aligned.
    const int = (value, bits, width, little, lowAligned = false) => {
        const scaled = Math.round(value * 2 ** (bits - 1));
        const word = (scaled < 0 ? scaled + 2 ** bits : scaled) * (lowAligned ? 1 : 2 ** (8 * width - bits));
        return uint(word, width, little);
    };
    // Each channel c holds, at frame n, a value of its own: (c + 1) / 40 * (n % 2 ? -1 : 1).
    const valueAt = (channel, frame) => (channel + 1) / 40 * (frame % 2 ? -1 : 1);
    const samples = (channels, frames, encode) => {
        const out = [];
        for (let frame = 0; frame < frames; ++frame)
            for (let channel = 0; channel < channels; ++channel)
                out.push(...encode(valueAt(channel, frame)));
        return out;
    };
    const chunk = (id, body, little, width = 4) =>
        [...bytesOf(id), ...uint(body.length, width, little), ...body, ...(body.length % 2 && width === 4 ? [0] : [])];
    const wav = ({tag = 1, channels, rate = 48000, bits, width = Math.ceil(bits / 8), frames = 4, mask = null,
                  body = null, cut = 0}) => {
        const fmt = [...uint(mask === null ? tag : 0xfffe, 2, true), ...uint(channels, 2, true), ...uint(rate, 4, true),
                     ...uint(rate * channels * width, 4, true), ...uint(channels * width, 2, true),
                     ...uint(8 * width, 2, true)];
        if (mask !== null)
            fmt.push(...uint(22, 2, true), ...uint(bits, 2, true), ...uint(mask, 4, true), ...uint(tag, 4, true),
                     0, 0, 0x10, 0, 0x80, 0, 0, 0xaa, 0, 0x38, 0x9b, 0x71);
        const encode = tag === 3 ? (v) => float(v, width, true) : (v) => int(v, bits, width, true);
        const data = body || samples(channels, frames, width === 1 ? (v) => [(Math.round(v * 128) + 128) & 0xff] : encode);
        const file = bytesOf("RIFF", uint(0, 4, true), "WAVE", chunk("fmt ", fmt, true), chunk("data", data, true));
        return file.subarray(0, file.length - cut);
    };
    const extended = (rate) => {
        const exponent = Math.floor(Math.log2(rate));
        return [...uint(16383 + exponent, 2), ...uint(rate * 2 ** (63 - exponent - 32), 4), 0, 0, 0, 0];
    };
    const aiff = ({type = null, channels, rate = 48000, bits, frames = 4, encode, soundFrames = frames}) => {
        const comm = [...uint(channels, 2), ...uint(frames, 4), ...uint(bits, 2), ...extended(rate)];
        if (type)
            comm.push(...bytesOf(type), 0, 0);
        return bytesOf("FORM", uint(0, 4), type ? "AIFC" : "AIFF", chunk("COMM", comm),
                       chunk("SSND", [0, 0, 0, 0, 0, 0, 0, 0, ...samples(channels, soundFrames, encode)]));
    };
    const caf = ({format = "lpcm", flags = 0, channels, rate = 48000, bits, width = Math.ceil(bits / 8), frames = 4,
                  encode, dataSize = null}) => {
        const desc = [...float(rate, 8, false), ...bytesOf(format), ...uint(flags, 4), ...uint(channels * width, 4),
                      ...uint(1, 4), ...uint(channels, 4), ...uint(bits, 4)];
        const data = [0, 0, 0, 0, ...samples(channels, frames, encode)];
        const size = dataSize === null ? uint(data.length, 8) : dataSize;
        return bytesOf("caff", [0, 1, 0, 0], chunk("desc", desc, false, 8), "data", size, data);
    };

    // Decodes the whole file at outRate as the page's workers do, in two blocks.
    const decode = (file, outRate) => {
        const layout = pcm.readLayout(file);
        if (!layout)
            return layout;
        const length = pcm.outputLength(layout, outRate), half = Math.floor(length / 2);
        const channels = Array.from({length: layout.channels}, () => new Float32Array(length));
        for (const [start, count] of [[0, half], [half, length - half]]) {
            const span = pcm.inputSpan(layout, outRate, start, count);
            const bytes = file.slice(layout.dataOffset + span.first * layout.frameBytes,
                                     layout.dataOffset + span.end * layout.frameBytes);
            pcm.decodeBlock(layout, bytes, outRate, start, count).forEach((block, c) => channels[c].set(block, start));
        }
        return {layout, channels};
    };
    // Every channel's every frame holds its value, to within tolerance.
    const expectValues = (what, file, channels, frames, tolerance) => {
        const decoded = decode(file, 48000);
        if (!decoded)
            return fail(what, "not decoded: " + decoded);
        if (decoded.channels.length !== channels || decoded.channels[0].length !== frames)
            return fail(what, `${decoded.channels.length} channels of ${decoded.channels[0].length} frames`);
        decoded.channels.forEach((samples, c) => samples.forEach((value, n) => {
            if (Math.abs(value - valueAt(c, n)) > tolerance)
                fail(what, `channel ${c} frame ${n}: ${value}, not ${valueAt(c, n)}`);
        }));
    };

    const le = true, be = false;
    const exact = 2 ** -20;
    expectValues("WAV 16-bit stereo", wav({channels: 2, bits: 16}), 2, 4, 2 ** -15);
    expectValues("WAV 8-bit", wav({channels: 1, bits: 8}), 1, 4, 2 ** -7);
    expectValues("WAV 24-bit 5.1 with side surrounds", wav({channels: 6, bits: 24, mask: 0x60f}), 6, 4, exact);
    expectValues("WAV 7.1 EXTENSIBLE float", wav({tag: 3, channels: 8, bits: 32, mask: 0x63f}), 8, 4, exact);
    // Every channel count in each container: 6 as 5.1 with back surrounds, the rest unpositioned.
    for (const channels of [1, 2, 6, 7, 8, 12, 32]) {
        expectValues(`WAV, ${channels} channels`, wav({channels, bits: 24, mask: channels === 6 ? 0x3f : 0}),
                     channels, 4, exact);
        expectValues(`AIFF, ${channels} channels`, aiff({channels, bits: 24, encode: (v) => int(v, 24, 3, be)}),
                     channels, 4, exact);
        expectValues(`AIFF-C sowt, ${channels} channels`,
                     aiff({type: "sowt", channels, bits: 16, encode: (v) => int(v, 16, 2, le)}), channels, 4, 2 ** -15);
        expectValues(`CAF, ${channels} channels`, caf({flags: 3, channels, bits: 32, encode: (v) => float(v, 4, le)}),
                     channels, 4, exact);
    }
    expectValues("WAV 20 bits in 3 bytes", wav({channels: 2, bits: 20, width: 3, mask: 3}), 2, 4, 2 ** -19);
    expectValues("WAV 64-bit float", wav({tag: 3, channels: 2, bits: 64}), 2, 4, exact);
    for (const [type, bits, little, width] of [["NONE", 16, be, 2], ["twos", 24, be, 3], ["sowt", 16, le, 2],
                                               ["in24", 24, be, 3], ["42ni", 24, le, 3], ["in32", 32, be, 4],
                                               ["23ni", 32, le, 4], [null, 8, be, 1], [null, 32, be, 4]])
        expectValues(`AIFF ${type} ${bits}-bit`, aiff({type, channels: 2, bits, encode: (v) => int(v, bits, width, little)}),
                     2, 4, Math.max(2 ** -(bits - 1), exact));
    expectValues("AIFF-C fl32, 5.1", aiff({type: "fl32", channels: 6, bits: 32, encode: (v) => float(v, 4, be)}), 6, 4, exact);
    expectValues("AIFF-C fl64, 7.1", aiff({type: "fl64", channels: 8, bits: 64, encode: (v) => float(v, 8, be)}), 8, 4, exact);
    expectValues("AIFF 12-bit, left-justified", aiff({channels: 1, bits: 12, encode: (v) => int(v, 12, 2, be)}), 1, 4, 2 ** -11);
    expectValues("AIFF-C raw, offset binary",
                 aiff({type: "raw ", channels: 1, bits: 8, encode: (v) => [(Math.round(v * 128) + 128) & 0xff]}), 1, 4, 2 ** -7);
    for (const [flags, little] of [[0, be], [2, le]])
        expectValues(`CAF 24-bit, flags ${flags}`, caf({flags, channels: 2, bits: 24, encode: (v) => int(v, 24, 3, little)}),
                     2, 4, exact);
    expectValues("CAF 24 bits in 4-byte words, low", caf({flags: 2, channels: 2, bits: 24, width: 4,
                                                          encode: (v) => int(v, 24, 4, le, true)}), 2, 4, exact);
    expectValues("CAF 24 bits in 4-byte words, high", caf({flags: 0x12, channels: 2, bits: 24, width: 4,
                                                           encode: (v) => int(v, 24, 4, le)}), 2, 4, exact);
    expectValues("CAF 32-bit float, 12 channels", caf({flags: 3, channels: 12, bits: 32, encode: (v) => float(v, 4, le)}),
                 12, 4, exact);
    expectValues("CAF 64-bit float", caf({flags: 1, channels: 1, bits: 64, encode: (v) => float(v, 8, be)}), 1, 4, exact);
    expectValues("CAF, its sound's size left open", caf({channels: 1, bits: 16, encode: (v) => int(v, 16, 2, be),
                                                        dataSize: Array(8).fill(0xff)}), 1, 4, 2 ** -15);
    expectValues("a WAV cut in its last frame holds the frames before", wav({channels: 2, bits: 16, cut: 1}), 2, 3, 2 ** -15);

    // µ-law's and A-law's middle of the range, and a rate that is not the context's.
    const ulaw = pcm.readLayout(wav({tag: 7, channels: 1, bits: 8, width: 1, body: [0xff, 0x7f, 0x80, 0x00]}));
    const companded = decode(wav({tag: 7, channels: 1, bits: 8, width: 1, body: [0xff, 0x7f, 0x80, 0x00]}), 48000);
    if (!ulaw || [...companded.channels[0]].map((v) => Math.round(v * 32768)).join() !== "0,0,32124,-32124")
        fail("µ-law", companded && [...companded.channels[0]].join());
    const alaw = decode(wav({tag: 6, channels: 1, bits: 8, width: 1, body: [0xd5, 0x55, 0xaa, 0x2a]}), 48000);
    if ([...alaw.channels[0]].map((v) => Math.round(v * 32768)).join() !== "8,-8,32256,-32256")
        fail("A-law", [...alaw.channels[0]].join());

    // A 1 kHz tone at 96 kHz, resampled to 48 kHz in blocks: its length, its level, and no seam.
    const toneBody = [];
    for (let n = 0; n < 9600; ++n)
        for (let c = 0; c < 2; ++c)
            toneBody.push(...int(0.5 * Math.sin(2 * Math.PI * 1000 * n / 96000 + c), 24, 3, le));
    const tone = wav({channels: 2, rate: 96000, bits: 24, body: toneBody});
    const resampled = decode(tone, 48000);
    if (resampled.channels[0].length !== 4800)
        fail("96 kHz to 48 kHz", "length " + resampled.channels[0].length);
    for (let c = 0; c < 2; ++c)
        for (let n = 100; n < 4700; ++n) {
            const expected = 0.5 * Math.sin(2 * Math.PI * 1000 * n / 48000 + c);
            if (Math.abs(resampled.channels[c][n] - expected) > 0.002) {
                fail("96 kHz to 48 kHz", `channel ${c} frame ${n}: ${resampled.channels[c][n]}, not ${expected}`);
                break;
            }
        }
    const up = decode(wav({channels: 1, rate: 44100, bits: 16, frames: 441}), 48000);
    if (up.channels[0].length !== 480)
        fail("44.1 kHz to 48 kHz", "length " + up.channels[0].length);

    // Files that cannot be decoded, and files that are not ours.
    const broken = {
        "AIFF cut short of its frames": aiff({channels: 1, bits: 16, frames: 4, soundFrames: 3, encode: (v) => int(v, 16, 2, be)}),
        "AIFF at no rate": aiff({channels: 1, rate: 0.5, bits: 16, encode: (v) => int(v, 16, 2, be)}),
        "AIFF-C compressed": aiff({type: "ima4", channels: 1, bits: 16, encode: () => [0, 0]}),
        "AIFF with a chunk beyond its end": bytesOf("FORM", uint(0, 4), "AIFF", "APPL", uint(1000, 4), [1, 2]),
        "CAF cut short of its sound": caf({channels: 1, bits: 16, encode: (v) => int(v, 16, 2, be), dataSize: uint(100, 8)}),
        "CAF of 33 channels": caf({channels: 33, bits: 16, encode: (v) => int(v, 16, 2, be)}),
        "CAF of packets of two frames": bytesOf("caff", [0, 1, 0, 0], chunk("desc", [...float(48000, 8, false),
            ...bytesOf("lpcm"), 0, 0, 0, 0, ...uint(4, 4), ...uint(2, 4), ...uint(1, 4), ...uint(16, 4)], false, 8)),
        "WAV without its format": bytesOf("RIFF", uint(0, 4, true), "WAVE", chunk("data", [1, 2], true)),
    };
    for (const [what, file] of Object.entries(broken))
        if (pcm.readLayout(file) !== null)
            fail(what, "taken as decodable");
    const others = {
        "WAV of ADPCM": wav({tag: 2, channels: 2, bits: 4, width: 1}),
        "CAF of AAC": caf({format: "aac ", channels: 2, bits: 0, width: 1, encode: () => [0]}),
        "an MP3": bytesOf("ID3\x04\0\0\0\0\0\0\0\0"),
        "nothing": new Uint8Array(0),
    };
    for (const [what, file] of Object.entries(others))
        if (pcm.readLayout(file) !== undefined)
            fail(what, "not left to the platform");
    return JSON.stringify(failures);
})();
