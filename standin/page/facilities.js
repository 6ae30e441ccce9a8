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

// The drop zone takes files dragged from the desktop, as the tool's own does; everywhere else the
// page takes no drop. window.drops holds every drop it took: its files and where they landed.
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
  window.drops.push({files: files, x: event.clientX, y: event.clientY});
  log("Slapp " + files.map((file) => file.name + " (" + file.size + " byte)").join(", "));
});

onClick("btn-window-open", () => log("window.open: " + (window.open("https://example.org/") ? "vindu" : "null")));

function showZoom() {
  document.getElementById("zoom-width").textContent = window.innerWidth;
  document.getElementById("zoom-ratio").textContent = window.devicePixelRatio;
}
window.addEventListener("resize", showZoom);
showZoom();
