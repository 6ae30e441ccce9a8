// Added by the application to the tool's pages before their own scripts, in one function with
// pcm_layouts.js and pcm_decoding.js: decodeAudioData reads plain PCM files (WAV, AIFF, AIFF-C, CAF) itself, in
// workers of the page's own, with every channel the file has, where the platform's decoder takes
// at most six positioned ones and cannot be trusted with AIFF; it hands every other file to the
// platform, and gives up on a decode of the platform's that has not settled within 30 s and 1 s
// per megabyte of the file. What the page sees is the platform's own behaviour: a promise and the
// callbacks, an EncodingError for a file that cannot be decoded, the file's buffer detached.
const prototype = window.BaseAudioContext && window.BaseAudioContext.prototype;
if (!prototype || !window.AudioBuffer || !window.Worker)
    return;
// Taken before the page's own scripts run, which may replace any of them.
const platformDecode = prototype.decodeAudioData;
const sampleRateOf = Object.getOwnPropertyDescriptor(prototype, "sampleRate").get;
const NewAudioBuffer = window.AudioBuffer;
const copyToChannel = window.AudioBuffer.prototype.copyToChannel;
const slice = ArrayBuffer.prototype.slice;
const detach = window.structuredClone;
const NewWorker = window.Worker;
const NewBlob = window.Blob;
const objectUrl = URL.createObjectURL;
const revokeUrl = URL.revokeObjectURL;
const later = window.setTimeout.bind(window);
const never = window.clearTimeout.bind(window);
const cores = navigator.hardwareConcurrency || 2;
const pcm = pcmDecoding();

const encodingError = () => new DOMException("Unable to decode audio data", "EncodingError");

// A decode's blocks are decoded by a worker each: the workers are made the first time a page
// decodes such a file and kept for the decodes after it. Where the page may not make workers,
// the blocks are decoded here, each in a task of its own, between the page's.
const workerSource = `"use strict";
${pcmLayouts}
const pcm = (${pcmDecoding})();
onmessage = ({data: job}) => {
    const channels = pcm.decodeBlock(job.layout, new Uint8Array(job.bytes), job.outRate, job.start, job.count);
    postMessage({id: job.id, channels}, channels.map((samples) => samples.buffer));
};`;
let decoders = null;
const makeDecoders = () => {
    const url = objectUrl(new NewBlob([workerSource], {type: "text/javascript"}));
    try {
        return Array.from({length: Math.max(1, Math.min(2, cores))}, () => {
            const worker = new NewWorker(url);
            const waiting = new Map();
            let jobs = 0;
            worker.onmessage = ({data}) => {
                waiting.get(data.id).resolve(data.channels);
                waiting.delete(data.id);
            };
            worker.onerror = (event) => {
                event.preventDefault();
                waiting.forEach(({reject}) => reject(encodingError()));
                waiting.clear();
            };
            return (job) => new Promise((resolve, reject) => {
                job.id = ++jobs;
                waiting.set(job.id, {resolve, reject});
                worker.postMessage(job, [job.bytes]);
            });
        });
    } catch (error) {
        return [(job) => new Promise((resolve) => later(() => resolve(pcm.decodeBlock(
            job.layout, new Uint8Array(job.bytes), job.outRate, job.start, job.count))))];
    } finally {
        revokeUrl(url);
    }
};

// The whole sound at the context's rate, in blocks of 1 MB of samples, each copied into the
// buffer in a few milliseconds of the page's: each block's bytes go to a worker and its channels
// come back into the buffer, two blocks in flight per worker.
const decodePcm = async (context, file, layout) => {
    const outRate = sampleRateOf.call(context);
    const length = pcm.outputLength(layout, outRate);
    let buffer;
    try {
        buffer = new NewAudioBuffer({numberOfChannels: layout.channels, length, sampleRate: outRate});
    } catch (error) {
        throw encodingError(); // no frames, or more than the platform's buffers hold
    }
    decoders = decoders || makeDecoders();
    const blockFrames = Math.max(4096, Math.floor(2 ** 18 / layout.channels));
    const blocks = Math.ceil(length / blockFrames);
    let next = 0;
    const work = async (decoder) => {
        while (next < blocks) {
            const start = next++ * blockFrames, count = Math.min(blockFrames, length - start);
            const span = pcm.inputSpan(layout, outRate, start, count);
            const bytes = slice.call(file, layout.dataOffset + span.first * layout.frameBytes,
                                     layout.dataOffset + span.end * layout.frameBytes);
            const channels = await decoder({layout, bytes, outRate, start, count});
            channels.forEach((samples, channel) => copyToChannel.call(buffer, samples, channel, start));
        }
    };
    await Promise.all(decoders.flatMap((decoder) => [work(decoder), work(decoder)]));
    return buffer;
};

// The platform's decode, which ends in EncodingError once it has not settled within its bound.
const decodeByPlatform = (context, file) => new Promise((resolve, reject) => {
    const bound = later(() => reject(encodingError()), 30000 + file.byteLength / 1000);
    platformDecode.call(context, file).then((buffer) => {
        never(bound);
        resolve(buffer);
    }, (error) => {
        never(bound);
        reject(error);
    });
});

Object.defineProperty(prototype, "decodeAudioData", {
    configurable: true,
    writable: true,
    value: function decodeAudioData(audioData, successCallback, errorCallback) {
        if (!(audioData instanceof ArrayBuffer) || !(this instanceof window.BaseAudioContext) ||
            audioData.byteLength === 0)
            return platformDecode.apply(this, arguments);
        // Detached, as the platform does at once; the bytes are the decode's from here on.
        const file = detach(audioData, {transfer: [audioData]});
        const layout = pcm.readLayout(new Uint8Array(file));
        const decoded = layout === undefined ? decodeByPlatform(this, file)
                      : layout === null ? Promise.reject(encodingError())
                      : decodePcm(this, file, layout);
        decoded.then((buffer) => successCallback && successCallback(buffer),
                     (error) => errorCallback && errorCallback(error));
        return decoded;
    },
});
