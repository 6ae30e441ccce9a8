// Run by the application in a world of its own once files were dropped on a tool page whose
// dragover took them: a file input of this script's, which no script of the page's can see,
// asks for files under token, an accepted type no page could guess; the application answers
// with the dropped files. The element under the drop (x, y) gets them in a drop event, as a
// browser gives them: File objects read from disk when the page reads them. Resolves with how
// many it got.
const target = document.elementFromPoint(x, y) || document.documentElement;
const input = document.createElement("input");
input.type = "file";
input.multiple = true;
input.accept = token;
const files = await new Promise((resolve, reject) => {
    input.addEventListener("change", () => resolve(input.files));
    input.addEventListener("cancel", () => reject(new Error("no files")));
    input.click();
});
const transfer = new DataTransfer();
for (const file of files)
    transfer.items.add(file);
transfer.dropEffect = "copy";
target.dispatchEvent(new DragEvent("drop", {bubbles: true, cancelable: true, composed: true, clientX: x, clientY: y,
                                            dataTransfer: transfer, view: window}));
return String(files.length);
