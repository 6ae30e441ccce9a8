// What both stand-in pages offer: the message channel, the script dialogs, the file input and
// its drop zone, window.open and the zoom read-out, each reporting into the page's log.
"use strict";

const logArea = document.getElementById("log");
function log(text) {
  logArea.textContent += text + "\n";
  logArea.scrollTop = logArea.scrollHeight;
}

const channel = window.webkit && window.webkit.messageHandlers && window.webkit.messageHandlers.vorl;
if (!channel) document.getElementById("channel-note").hidden = false;

// The last path the app answered with; "Vis i filbehandler" shows it.
let lastPath = null;

async function send(label, message) {
  if (!channel) { log(label + ": ingen meldingskanal"); return; }
  try {
    const answer = await channel.postMessage(message);
    if (typeof answer === "string") lastPath = answer;
    log(label + ": svar " + JSON.stringify(answer === undefined ? null : answer));
  } catch (e) {
    log(label + ": avvist – " + (e && e.message !== undefined ? e.message : String(e)));
  }
}

function onClick(id, action) { document.getElementById(id).addEventListener("click", action); }

onClick("btn-choose-folder", () => send("Velg mappe", {cmd: "chooseFolder"}));
onClick("btn-save-as", () => send("Lagre som", {cmd: "saveAs", name: "slices.wav"}));
onClick("btn-reveal", () => send("Vis i filbehandler", {cmd: "reveal", path: lastPath || "/tmp"}));
onClick("btn-invalid", () => send("Ugyldig melding", "bare tekst"));
onClick("btn-unknown", () => send("Ukjent kommando", {cmd: "finnesIkke"}));

onClick("btn-alert", () => { alert("Hei fra " + document.title + "!"); log("Varsel: lukket"); });
onClick("btn-confirm", () => log("Bekreft: " + confirm("Vil du fortsette?")));
onClick("btn-prompt", () => log("Spør: " + JSON.stringify(prompt("Skriv noe:", "standard"))));

document.getElementById("file-input").addEventListener("change", (event) => {
  const names = Array.from(event.target.files, (file) => file.name);
  log("Valgte filer: " + (names.length ? names.join(", ") : "ingen"));
});

document.getElementById("folder-input").addEventListener("change", (event) => {
  const paths = Array.from(event.target.files, (file) => file.webkitRelativePath);
  log("Valgt mappe: " + paths.length + " filer" + (paths.length ? " (" + paths.slice(0, 5).join(", ") + ")" : ""));
});

// The drop zone takes files and folders dragged from the desktop, as the tool's own does; everywhere
// else the page takes no drop. window.drops holds every drop it took: its files, its entries and
// where it landed. A folder's files are counted in the page's log.
const dropZone = document.getElementById("drop-zone");
window.drops = [];
dropZone.addEventListener("dragenter", (event) => {
  event.preventDefault();
  dropZone.classList.add("over");
});
dropZone.addEventListener("dragover", (event) => {
  event.preventDefault();
  event.dataTransfer.dropEffect = "copy";
});
dropZone.addEventListener("dragleave", () => dropZone.classList.remove("over"));
dropZone.addEventListener("drop", (event) => {
  event.preventDefault();
  dropZone.classList.remove("over");
  const files = Array.from(event.dataTransfer.files);
  const entries = Array.from(event.dataTransfer.items, (item) => item.webkitGetAsEntry());
  window.drops.push({files: files, entries: entries, x: event.clientX, y: event.clientY});
  log("Slapp " + files.map((file) => file.name + " (" + file.size + " byte)").join(", "));
  for (const entry of entries.filter((entry) => entry && entry.isDirectory))
    countFiles(entry).then((count) => log("Mappa " + entry.name + " holder " + count + " filer"));
});

// How many files a folder holds, in it and below it.
async function countFiles(folder) {
  let count = 0;
  for (const reader = folder.createReader();;) {
    const batch = await new Promise((resolve, reject) => reader.readEntries(resolve, reject));
    if (!batch.length)
      return count;
    for (const entry of batch)
      count += entry.isDirectory ? await countFiles(entry) : 1;
  }
}

onClick("btn-window-open", () => log("window.open: " + (window.open("https://example.org/") ? "vindu" : "null")));

function showZoom() {
  document.getElementById("zoom-width").textContent = window.innerWidth;
  document.getElementById("zoom-ratio").textContent = window.devicePixelRatio;
}
window.addEventListener("resize", showZoom);
showZoom();
