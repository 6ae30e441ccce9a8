// Added by the application to the tool's pages before their own scripts: files and folders from
// the desktop reach the page as a browser gives them. While they are dragged over it, the
// element under the pointer gets dragenter, dragover and dragleave with a data transfer that says
// files come and holds none; where its last dragover took them, a drop with the files, read from
// disk as the page reads them, and each folder as a directory entry the page can walk. A folder
// chosen in a folder input gives its files with their paths in it. The application reaches this
// through window[Symbol.for("vorl.drops")], and it reaches the application's folders through the
// "vorlDrops" channel; what the page could name is only what the user dropped or chose.
(() => {
    "use strict";
    const kit = Symbol.for("vorl.drops");
    const channel = window.webkit && window.webkit.messageHandlers && window.webkit.messageHandlers.vorlDrops;
    if (window[kit] || !channel)
        return;
    // Taken before the page's own scripts run, which may replace any of them.
    const ask = channel.postMessage.bind(channel);
    const NewDataTransfer = window.DataTransfer, NewDragEvent = window.DragEvent, NewFile = window.File;
    const NewDOMException = window.DOMException, NewWeakMap = window.WeakMap;
    const dispatch = EventTarget.prototype.dispatchEvent;
    const listen = EventTarget.prototype.addEventListener;
    const createElement = Document.prototype.createElement.bind(document);
    const elementAt = Document.prototype.elementFromPoint.bind(document);
    const itemsOf = Object.getOwnPropertyDescriptor(NewDataTransfer.prototype, "items").get;
    const addItem = DataTransferItemList.prototype.add;
    const getAsFile = DataTransferItem.prototype.getAsFile;
    const nativeEntry = DataTransferItem.prototype.webkitGetAsEntry;
    const inputProperty = (name) => Object.getOwnPropertyDescriptor(HTMLInputElement.prototype, name);
    const filesOf = inputProperty("files").get, accept = inputProperty("accept"), chooses = inputProperty("webkitdirectory").get;
    const typeOf = inputProperty("type").get, click = HTMLElement.prototype.click;
    const later = window.setTimeout.bind(window), parse = JSON.parse, freeze = Object.freeze;
    const describe = Object.defineProperties, make = Object.create, merged = Object.assign;

    // A data transfer of the platform's own, as a page checks for one, that says count files come.
    const transferOf = (count, types, items) => {
        const transfer = new NewDataTransfer();
        let dropEffect = "copy", effectAllowed = "copy";
        const effect = (get, set, allowed) => ({get, set(value) { if (allowed.includes(value)) set(value); }});
        describe(transfer, {
            dropEffect: effect(() => dropEffect, (value) => { dropEffect = value; }, ["none", "copy", "link", "move"]),
            effectAllowed: effect(() => effectAllowed, (value) => { effectAllowed = value; },
                                  ["none", "copy", "copyLink", "copyMove", "link", "linkMove", "move", "all", "uninitialized"]),
        });
        if (types)
            describe(transfer, {types: {value: freeze(types)},
                                items: {value: freeze(Array.from({length: count}, () => freeze({kind: "file", type: ""})))}});
        return transfer;
    };
    const fire = (type, target, transfer, x, y, cancelable) =>
        !dispatch.call(target, new NewDragEvent(type, {bubbles: true, cancelable, composed: true, clientX: x, clientY: y,
                                                       view: window, dataTransfer: transfer}));

    // One step of a drag from outside: phase "enter", "over" or "leave"; "taken" where the page's
    // dragover took the drop there, as a browser has it: its default prevented, its effect not none.
    let dragTarget = null;
    const step = (phase, x, y, count) => {
        if (phase === "enter")
            dragTarget = null;
        const previous = dragTarget && dragTarget.isConnected ? dragTarget : null;
        const transfer = transferOf(count, ["Files"]);
        if (phase === "leave") {
            dragTarget = null;
            if (previous)
                fire("dragleave", previous, transfer, 0, 0, false);
            return "left";
        }
        const target = elementAt(x, y) || document.documentElement;
        if (target !== previous) {
            fire("dragenter", target, transfer, x, y, true);
            if (previous)
                fire("dragleave", previous, transfer, x, y, false);
            dragTarget = target;
        }
        return fire("dragover", target, transfer, x, y, true) && transfer.dropEffect !== "none" ? "taken" : "refused";
    };

    // Files the application hands over under token, through a file input no script of the page's
    // sees, read from disk when the page reads them. The input is in no document: until it has its
    // answer it is held here, or a garbage collection would take its listeners and the drop with them.
    const choosing = new Set();
    const handedOver = (token) => new Promise((resolve, reject) => {
        const input = createElement("input");
        input.type = "file";
        input.multiple = true;
        accept.set.call(input, token);
        choosing.add(input);
        listen.call(input, "change", () => {
            choosing.delete(input);
            resolve([...filesOf.call(input)]);
        });
        listen.call(input, "cancel", () => {
            choosing.delete(input);
            reject(new NewDOMException("Filene kom ikke fram.", "NotReadableError"));
        });
        click.call(input);
    });
    const request = async (message) => parse(await ask(message));

    // Files a folder's entries asked for: the application picks them up under their token as soon as
    // it has answered, in a script of its own, which may open the hidden input; the page's own
    // scripts, without the user's gesture, may not.
    const pickedUp = new Map(); // by token: who waits for the files, or the files that came first
    const awaitPickUp = (token) => new Promise((resolve, reject) => {
        const early = pickedUp.get(token);
        pickedUp.delete(token);
        if (!early)
            return pickedUp.set(token, {resolve, reject});
        early.files ? resolve(early.files) : reject(new NewDOMException("Filene kom ikke fram.", "NotReadableError"));
    });
    const pickUp = async (token) => {
        const files = await handedOver(token).catch(() => null);
        const waiter = pickedUp.get(token);
        pickedUp.delete(token);
        if (!waiter)
            pickedUp.set(token, {files});
        else if (files)
            waiter.resolve(files);
        else
            waiter.reject(new NewDOMException("Filene kom ikke fram.", "NotReadableError"));
        return String(files ? files.length : 0);
    };

    // A dropped folder's entries, as WebKit gives them on the system the tool was made for: found
    // is what the application says of one, {id, name, directory, fullPath}; the filesystem's root,
    // which holds what was dropped, has the id "".
    const error = (name) => new NewDOMException("Ingen slik fil eller mappe.", name);
    const settle = (promise, success, failure) =>
        promise.then((value) => success && later(() => success(value)), (reason) => failure && later(() => failure(reason)));
    const entryOf = (drop, found) => {
        const common = {
            name: {value: found.name}, fullPath: {value: found.fullPath}, isFile: {value: !found.directory},
            isDirectory: {value: found.directory}, filesystem: {get: () => drop.filesystem},
            getParent: {value: (success, failure) => {
                const parentPath = found.fullPath.slice(0, found.fullPath.lastIndexOf("/"));
                settle(parentPath ? request({cmd: "find", drop: drop.token, entry: "", path: parentPath})
                                        .then((parent) => entryOf(drop, parent))
                                  : Promise.resolve(drop.root), success, failure);
            }},
        };
        if (!found.directory)
            return make(FileSystemFileEntry.prototype, merged(common, {
                file: {value: (success, failure) => settle(drop.file(found.id), success, failure)}}));
        const find = (directory) => (path, options, success, failure) => settle((async () => {
            if (options && options.create)
                throw error("SecurityError");
            const at = await request({cmd: "find", drop: drop.token, entry: String(found.id), path: String(path)});
            if (!at)
                throw error("NotFoundError");
            if (at.directory !== directory)
                throw error("TypeMismatchError");
            return entryOf(drop, at);
        })(), success, failure);
        return make(FileSystemDirectoryEntry.prototype, merged(common, {
            createReader: {value: () => {
                const reader = String(++drop.readers);
                const read = () => request({cmd: "list", drop: drop.token, entry: String(found.id), reader})
                    .then((batch) => batch.map((child) => entryOf(drop, child)));
                return make(FileSystemDirectoryReader.prototype,
                            {readEntries: {value: (success, failure) => settle(read(), success, failure)}});
            }},
            getFile: {value: find(false)},
            getDirectory: {value: find(true)},
        }));
    };
    // What a drop's entries share: its filesystem, and its files, fetched together when the page
    // asks for several at once.
    const dropOf = (token) => {
        const drop = {token, readers: 0, wanted: []};
        drop.root = entryOf(drop, {id: "", name: "", directory: true, fullPath: "/"});
        drop.filesystem = freeze({name: "vorl-" + token.slice(-8), root: drop.root});
        drop.file = (id) => new Promise((resolve, reject) => {
            if (drop.wanted.push({id, resolve, reject}) > 1)
                return;
            later(async () => {
                const wanted = drop.wanted.splice(0);
                try {
                    const files = await awaitPickUp(
                        await request({cmd: "files", drop: token, entries: wanted.map((one) => one.id).join(",")}));
                    wanted.forEach((one, index) => (files[index] ? one.resolve(files[index]) : one.reject(error("NotFoundError"))));
                } catch (reason) {
                    wanted.forEach((one) => one.reject(error("NotReadableError")));
                }
            });
        });
        return drop;
    };
    const folders = new NewWeakMap(); // a dropped folder's File, and its entry
    DataTransferItem.prototype.webkitGetAsEntry = function webkitGetAsEntry() {
        const file = getAsFile.call(this);
        return (file && folders.get(file)) || nativeEntry.call(this);
    };

    // The drop at x, y: items (the application's entries) in the source's order, the files handed
    // over under filesToken, each folder as an empty file of its name with its directory entry.
    const drop = async (x, y, filesToken, dropId, itemsText) => {
        const items = parse(itemsText);
        const files = items.some((item) => !item.directory) ? await handedOver(filesToken) : [];
        const dropped = dropOf(dropId);
        const transfer = transferOf(items.length);
        let next = 0;
        for (const item of items) {
            const file = item.directory ? new NewFile([], item.name, {type: ""}) : files[next++];
            if (item.directory)
                folders.set(file, entryOf(dropped, item));
            if (file)
                addItem.call(itemsOf.call(transfer), file);
        }
        const target = elementAt(x, y) || document.documentElement;
        fire("drop", target, transfer, x, y, true);
        return String(items.length);
    };

    // A folder input asks the application for a folder by this type; the files it then gets carry
    // their paths in the folder, which the application tells just before. They carry them from
    // the moment the input has them, as the input's events come later.
    const folderType = "application/x-vorl-folder";
    let folderInput = null, filesBefore = null, chosenPaths = [];
    const withPaths = (input, files) => {
        if (input !== folderInput || files === filesBefore || !chosenPaths.length)
            return files;
        const paths = chosenPaths.splice(0);
        folderInput = null;
        [...files].forEach((file, index) =>
            describe(file, {webkitRelativePath: {value: paths[index] || "", enumerable: true}}));
        return files;
    };
    describe(HTMLInputElement.prototype, {files: merged({}, inputProperty("files"), {
        get() { return withPaths(this, filesOf.call(this)); }})});
    listen.call(window, "click", (event) => {
        const input = event.target;
        if (!(input instanceof HTMLInputElement) || typeOf.call(input) !== "file" || !chooses.call(input))
            return;
        [folderInput, filesBefore, chosenPaths] = [input, filesOf.call(input), []];
        const own = accept.get.call(input);
        accept.set.call(input, folderType);
        later(() => accept.set.call(input, own));
    }, true);
    const folderChosen = (pathsText) => {
        chosenPaths = parse(pathsText);
        return String(chosenPaths.length);
    };

    Object.defineProperty(window, kit, {value: freeze({step, drop, pickUp, folderChosen})});
})();
