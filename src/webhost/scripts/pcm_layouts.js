// Where the sound of a plain PCM file lies and how: WAV (PCM, float, A-law and µ-law, EXTENSIBLE
// with any channel mask, RF64), AIFF, AIFF-C and CAF linear PCM, of 1 to 32 channels. A plain
// function on bytes, with nothing of the page's, as pcm_decoding.js, which uses it.
function pcmLayouts() {
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

    return {readLayout};
}
