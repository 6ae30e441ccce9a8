// Run by the application in the page's own world while files are dragged over a tool page from
// outside it: the drag events a browser dispatches at the element under the pointer (x, y),
// phase "enter" for the drag's first move, "over" for the next ones, "leave" as it leaves. The
// page's handlers get the data transfer a browser gives them while the drag is under way: it
// says files come, and how many (count), and holds none of them until they are dropped.
// Resolves with "taken" when the page prevented dragover's default: it takes a drop there.
const state = window[Symbol.for("vorl.drag")] || (window[Symbol.for("vorl.drag")] = {target: null});
if (phase === "enter")
    state.target = null;
const transfer = {
    dropEffect: "copy",
    effectAllowed: "copy",
    types: Object.freeze(["Files"]),
    files: new DataTransfer().files,
    items: Object.freeze(Array.from({length: count}, () => Object.freeze({kind: "file", type: ""}))),
    getData: () => "",
    setData() {},
    clearData() {},
    setDragImage() {},
};
// Whether a handler prevented the event's default.
const fire = (type, target, cancelable) => {
    const event = new DragEvent(type, {bubbles: true, cancelable, composed: true, clientX: x, clientY: y, view: window});
    Object.defineProperty(event, "dataTransfer", {value: transfer});
    return !target.dispatchEvent(event);
};
const previous = state.target && state.target.isConnected ? state.target : null;
if (phase === "leave") {
    state.target = null;
    if (previous)
        fire("dragleave", previous, false);
    return "left";
}
const target = document.elementFromPoint(x, y) || document.documentElement;
if (target !== previous) {
    fire("dragenter", target, true);
    if (previous)
        fire("dragleave", previous, false);
    state.target = target;
}
return fire("dragover", target, true) ? "taken" : "refused";
