// Added by the application to the tool's pages before their own scripts: an audio file of a kind
// the platform's decoder lacks or cannot be trusted with (AIFF, AIFF-C, CAF: plain PCM) reaches
// decodeAudioData as the WAV file the application makes of it, through its vorl-audio scheme.
// Every other file goes to the platform as it is. What the page sees is the platform's own
// behaviour: a promise and the callbacks, an EncodingError for a file that cannot be decoded,
// and the file's buffer detached.
(() => {
    "use strict";
    const prototype = window.BaseAudioContext && window.BaseAudioContext.prototype;
    if (!prototype)
        return;
    // Taken before the page's own scripts run, which may replace any of them.
    const decode = prototype.decodeAudioData;
    const send = window.fetch.bind(window);
    const bodyOf = Response.prototype.arrayBuffer;
    const succeeded = Object.getOwnPropertyDescriptor(Response.prototype, "ok").get;
    const detach = window.structuredClone;

    const startsWith = (bytes, text, at = 0) => [...text].every((c, i) => bytes[at + i] === c.charCodeAt(0));
    const isPcmContainer = (bytes) =>
        (startsWith(bytes, "FORM") && (startsWith(bytes, "AIFF", 8) || startsWith(bytes, "AIFC", 8))) ||
        (startsWith(bytes, "caff") && bytes[4] === 0 && bytes[5] === 1);
    const encodingError = () => new DOMException("Unable to decode audio data", "EncodingError");

    Object.defineProperty(prototype, "decodeAudioData", {
        configurable: true,
        writable: true,
        value: function decodeAudioData(audioData, successCallback, errorCallback) {
            if (!(audioData instanceof ArrayBuffer) || audioData.byteLength < 12 ||
                !isPcmContainer(new Uint8Array(audioData, 0, 12)))
                return decode.apply(this, arguments);
            const context = this;
            const converted = send("vorl-audio://wav", {method: "POST", body: audioData});
            detach(audioData, {transfer: [audioData]});
            const decoded = converted
                .then((response) => (succeeded.call(response) ? bodyOf.call(response) : Promise.reject()))
                .catch(() => Promise.reject(encodingError()))
                .then((wav) => decode.call(context, wav));
            decoded.then((buffer) => successCallback && successCallback(buffer),
                         (error) => errorCallback && errorCallback(error));
            return decoded;
        },
    });
})();
