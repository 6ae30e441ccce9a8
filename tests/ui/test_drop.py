"""Files dragged from the desktop, from a small GTK drag source with the pointer, reach the tool's
page as a browser would give them; dropped where nothing takes them they are ignored."""

import hashlib
import os
import select
import subprocess
import time
import unittest

from harness import SANITIZED, ENGINE_URL, EnginePageTestCase, UiTestCase, wait_for, web_processes

DRAG_SOURCE = os.environ.get("VORL_DRAG_SOURCE", "")
SOURCE_AT = (1650, 100)  # where the drag source's window goes, clear of the app's


def xdotool(*arguments):
    return subprocess.run(["xdotool", *map(str, arguments)], check=True, capture_output=True, text=True).stdout


class DragSource:
    """A window that offers files to drag, as a file manager does, and the pointer that drags them."""

    def __init__(self, paths):
        self.process = subprocess.Popen([DRAG_SOURCE, *paths], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.output, self.pointer, self.ended = "", "none", None
        self.window = wait_for(lambda: self._find(), 20, "the drag source's window")
        xdotool("windowmove", self.window, *SOURCE_AT)
        time.sleep(0.3)

    def _find(self):
        found = subprocess.run(["xdotool", "search", "--name", "^vorl-drag-source$"], capture_output=True, text=True)
        return found.stdout.split()[0] if found.returncode == 0 and found.stdout.split() else None

    def drag_to(self, x, y, then=None, heard=None):
        """Presses on the source, moves in steps to (x, y) on the screen, lingers and lets go there,
        or once the pointer shows the drop taken there, moves on to then in one step, and once the
        window has heard() of it and the pointer shows no drop, lets go there; returns once the drag
        has ended, "dropped" or "cancelled"."""
        start_x, start_y = SOURCE_AT[0] + 100, SOURCE_AT[1] + 100
        xdotool("mousemove", start_x, start_y)
        time.sleep(0.2)
        xdotool("mousedown", 1)
        time.sleep(0.2)
        for step in range(1, 13):
            xdotool("mousemove", start_x + (x - start_x) * step // 12, start_y + (y - start_y) * step // 12)
            time.sleep(0.08)
        for wiggle in (1, -1, 0):
            xdotool("mousemove", x + wiggle, y)
            time.sleep(0.1)
        if then:
            if not self._read_until(lambda: self.pointer == "copy", 20):
                raise AssertionError("the pointer never showed the drop taken")
            xdotool("mousemove", *then)
            # A move made while the source awaits the answer to the one before is never sent on:
            # where the window has not heard of this one in a while, a pixel's nudge is the one it hears.
            try:
                wait_for(heard, 2, "the window to hear of the move")
            except AssertionError:
                xdotool("mousemove", then[0] + 1, then[1])
            if not self._read_until(lambda: self.pointer == "none", 20):
                raise AssertionError("the pointer never showed the page's refusal")
        xdotool("mouseup", 1)
        self.released = time.monotonic()
        if not self._read_until(lambda: self.ended, 20):
            raise AssertionError("the drag did not end")
        return self.ended

    def _read_until(self, done, timeout):
        """Reads what the source writes until done() or timeout seconds have passed; done()."""
        deadline = time.monotonic() + timeout
        while not done():
            ready, _, _ = select.select([self.process.stdout], [], [], max(0, deadline - time.monotonic()))
            chunk = os.read(self.process.stdout.fileno(), 4096).decode() if ready else ""
            if not chunk:
                return done()
            self.output += chunk
            while "\n" in self.output:
                line, self.output = self.output.split("\n", 1)
                if line.startswith("pointer "):
                    self.pointer = line.split()[1]
                else:
                    self.ended = line
        return True

    def close(self):
        self.process.terminate()
        self.process.wait(10)
        self.process.stdout.close()
        wait_for(lambda: self._find() is None, 10, "the drag source's window to go")


class DropTestCase:
    """Helpers of a test whose app shows a page: where things are on the screen, and drags."""

    def screen_point(self, client_x, client_y):
        """Where a point of the page, in its own pixels, is on the screen."""
        view = self.app.driver.view()
        geometry = dict(line.split("=") for line in xdotool("getwindowgeometry", "--shell", view["window"]).split())
        zoom = self.app.driver.state()["zoom_level"]
        return (int(geometry["X"]) + view["x"] + round(client_x * zoom * view["scale"]),
                int(geometry["Y"]) + view["y"] + round(client_y * zoom * view["scale"]))

    def drag(self, paths, client_point):
        """How the drag ended for its source: "dropped" where the page took it, else "cancelled"."""
        source = DragSource(paths)
        try:
            return source.drag_to(*self.screen_point(*client_point))
        finally:
            source.close()

    def fixture(self, name, contents):
        path = os.path.join(self.home.path, name)
        with open(path, "wb") as fixture:
            fixture.write(contents)
        return path


class DropsOnTheToolsPage(DropTestCase, EnginePageTestCase):
    def zone_centre(self):
        return self.app.driver.js("const zone = document.getElementById('drop-zone'); zone.scrollIntoView();"
                                  "const r = zone.getBoundingClientRect(); return [r.x + r.width / 2, r.y + r.height / 2];")

    def drops(self):
        """What the page's own handler got: per drop, its files' names, sizes, types and SHA-256,
        and where the drop landed."""
        return self.app.driver.js("""
            const described = [];
            for (const drop of window.drops) {
              const files = [];
              for (const file of drop.files) {
                const digest = await crypto.subtle.digest('SHA-256', await file.arrayBuffer());
                files.push([file.name, file.size, file.type,
                            [...new Uint8Array(digest)].map((b) => b.toString(16).padStart(2, '0')).join('')]);
              }
              described.push({files: files, x: drop.x, y: drop.y});
            }
            return described;""")

    def expected(self, path):
        with open(path, "rb") as dropped:
            contents = dropped.read()
        return [os.path.basename(path), len(contents), hashlib.sha256(contents).hexdigest()]

    def test_one_file_and_then_three_reach_the_pages_drop_handler_with_their_names_sizes_types_and_bytes(self):
        recording = self.fixture("opptak ø.wav", b"RIFF\x24\x00\x00\x00WAVEfmt " + bytes(range(256)) * 4)
        centre = self.zone_centre()
        self.assertEqual(self.drag([recording], centre), "dropped")
        drops = self.app.driver.wait_until(lambda: self.drops(), timeout=20, description="the page's drop handler")
        self.assertEqual(len(drops), 1)
        name, size, kind, digest = drops[0]["files"][0]
        self.assertEqual([name, size, digest], self.expected(recording))
        self.assertIn(kind, ("audio/wav", "audio/x-wav"))
        self.assertAlmostEqual(drops[0]["x"], centre[0], delta=3)
        self.assertAlmostEqual(drops[0]["y"], centre[1], delta=3)

        three = [self.fixture("a.wav", b"RIFF" + b"a" * 1000), self.fixture("b b.txt", b"notat\n"),
                 self.fixture("c ø.flac", b"fLaC" + b"c" * 5000)]
        self.drag(three, self.zone_centre())
        drops = self.app.driver.wait_until(lambda: (lambda found: found if len(found) == 2 else None)(self.drops()),
                                           timeout=20, description="the second drop")
        self.assertEqual([file[:2] + file[3:] for file in drops[1]["files"]], [self.expected(path) for path in three],
                         "one drop, in the source's order")
        self.assertEqual(drops[1]["files"][1][2], "text/plain")
        self.assertEqual(self.app.uri(), ENGINE_URL)

    def test_a_folder_beside_a_file_arrives_as_a_directory_entry_the_page_walks(self):
        cues = os.path.join(self.home.path, "Cues")
        os.makedirs(os.path.join(cues, "Akt 2", "dypt"))
        for path, contents in (("a.wav", b"RIFFa"), ("Akt 2/b.wav", b"RIFFbb"), ("Akt 2/dypt/c.txt", b"ccc")):
            with open(os.path.join(cues, path), "wb") as fixture:
                fixture.write(contents)
        os.symlink("/etc", os.path.join(cues, "ut"))
        os.symlink(cues, os.path.join(cues, "Akt 2", "tilbake"))
        recording = self.fixture("lyd.wav", b"RIFF" + b"x" * 100)
        self.drag([cues, recording], self.zone_centre())
        self.app.driver.wait_until(lambda: self.drops(), timeout=20, description="the drop")
        walk = self.app.driver.js("""
            const drop = window.drops[0];
            const read = (reader) => new Promise((resolve, reject) => reader.readEntries(resolve, reject));
            const walked = [];
            const walk = async (folder) => {
              for (const reader = folder.createReader();;) {
                const batch = await read(reader);
                if (!batch.length) return;
                for (const entry of batch) {
                  if (entry.isDirectory) { walked.push(entry.fullPath + '/'); await walk(entry); }
                  else walked.push(entry.fullPath + ' ' + await (await new Promise((resolve, reject) => entry.file(resolve, reject))).text());
                }
              }
            };
            const [folder, file] = drop.entries;
            await walk(folder);
            const found = await new Promise((resolve, reject) => folder.getFile('Akt 2/b.wav', {}, resolve, reject));
            return {kinds: [folder.isDirectory, folder.name, folder.fullPath, folder instanceof FileSystemDirectoryEntry,
                            file.isFile, file.name],
                    files: drop.files.map((f) => f.name + ' ' + f.size),
                    walked: walked.sort(), found: found.fullPath};""")
        print("the page walked: " + "; ".join(walk["walked"]))
        self.assertEqual(walk["kinds"], [True, "Cues", "/Cues", True, True, "lyd.wav"])
        self.assertEqual(walk["files"], ["Cues 0", "lyd.wav 104"], "one file per item, the folder an empty one")
        self.assertEqual(walk["walked"], ["/Cues/Akt 2/", "/Cues/Akt 2/b.wav RIFFbb", "/Cues/Akt 2/dypt/",
                                          "/Cues/Akt 2/dypt/c.txt ccc", "/Cues/a.wav RIFFa"],
                         "links out of the folder or into a loop are not followed")
        self.assertEqual(walk["found"], "/Cues/Akt 2/b.wav")

    def test_a_folder_input_gets_the_chosen_folders_files_with_their_paths_in_it(self):
        cues = os.path.join(self.home.path, "Cues")
        os.makedirs(os.path.join(cues, "Akt 2"))
        for path in ("a.wav", "Akt 2/b.wav"):
            with open(os.path.join(cues, path), "wb") as fixture:
                fixture.write(b"RIFF")
        self.click("folder-input")
        chooser = self.dialog("file-chooser", action="select-folder")
        self.app.driver.choose(chooser["id"], cues)
        chosen = self.app.driver.wait_until(lambda: self.app.driver.js(
            "const input = document.getElementById('folder-input');"
            "return input.files.length ? [...input.files].map((f) => f.webkitRelativePath + ' ' + f.size).sort() : null"),
            timeout=20, description="the chosen folder's files")
        self.assertEqual(chosen, ["Cues/Akt 2/b.wav 4", "Cues/a.wav 4"])

    def test_the_pointer_says_no_drop_once_the_page_refuses_where_it_stopped(self):
        source = DragSource([self.fixture("lyd.wav", b"RIFF")])
        try:
            # Each step's answer comes after the step: the last one, a refusal, must still reach the pointer.
            self.app.driver.js("window.overCorner = false; document.addEventListener('dragover', (event) => {"
                               "  window.overCorner ||= event.clientX < 20 && event.clientY < 20; }); return true;")
            ended = source.drag_to(*self.screen_point(*self.zone_centre()), then=self.screen_point(5, 5),
                                   heard=lambda: self.app.driver.js("return window.overCorner"))
        finally:
            source.close()
        self.assertEqual(ended, "cancelled")
        self.assertEqual(self.app.driver.js("return window.drops.length"), 0)

    def test_a_two_gibibyte_file_is_read_only_as_the_page_reads_it(self):
        small = self.fixture("liten.wav", b"RIFF" + b"x" * 100)
        large = os.path.join(self.home.path, "stor.wav")
        with open(large, "wb") as sparse:
            sparse.truncate(2 << 30)
            sparse.seek((2 << 30) - 4)
            sparse.write(b"SLUT")
        figures = []
        # The first drop sets up what every drop uses: it is not measured.
        for path in (small, small, large, small, large):
            before = self.memory()
            count = self.app.driver.js("return window.drops.length")
            centre = self.zone_centre()
            source = DragSource([path])
            try:
                ended = source.drag_to(*self.screen_point(*centre))
                self.app.driver.wait_until(lambda: self.app.driver.js("return window.drops.length") > count, timeout=20,
                                           interval=0.01, description="the drop of %s, %s" % (path, ended))
                took = time.monotonic() - source.released
            finally:
                source.close()
            got = self.app.driver.js("const file = window.drops[window.drops.length - 1].files[0];"
                                     "return [file.size, await file.slice(file.size - 4).text()];")
            self.assertEqual(got[0], os.path.getsize(path))
            if path == large:
                self.assertEqual(got[1], "SLUT", "the page reads the file's end from disk")
            figures.append((os.path.basename(path), took, self.memory() - before))
        print("from letting go to the page's handler, and memory added to the app and its page processes: " +
              ", ".join("%s %.2f s %+.1f MiB" % figure for figure in figures[1:]))
        # The sanitizer's own bookkeeping grows with anything the app does: memory tells only without it.
        for name, took, added in figures if not SANITIZED else []:
            self.assertLess(added, 256, "%s was not read into memory" % name)

    def memory(self):
        """Resident memory of the app and its page processes, in MiB."""
        total = 0
        for pid in [self.app.process.pid] + web_processes(self.app.process.pid):
            try:
                with open("/proc/%d/status" % pid) as status:
                    total += next(int(line.split()[1]) for line in status if line.startswith("VmRSS:"))
            except (OSError, StopIteration):
                pass
        return total / 1024


class DropsWhereNothingTakesThem(DropTestCase, EnginePageTestCase):
    def test_a_page_that_takes_no_drop_gets_none_and_stays_as_it_was(self):
        self.app.driver.js("location.href = '/other'; return true;")
        self.app.wait_for_uri(lambda uri: uri == ENGINE_URL + "other", description="the page without a drop zone")
        self.app.driver.js("window.seen = []; for (const type of ['dragenter', 'dragover', 'drop', 'dragleave'])"
                           "  document.addEventListener(type, (event) => window.seen.push(type + ':' +"
                           "    event.dataTransfer.files.length + ':' + (event.dataTransfer instanceof DataTransfer) +"
                           "    ':' + event.dataTransfer.types)); window.unchanged = 'ja'; return true;")
        self.assertEqual(self.drag([self.fixture("lyd.wav", b"RIFF" + b"x" * 100)], (300, 150)), "cancelled",
                         "the pointer said no drop")
        time.sleep(3)
        self.assertEqual(self.app.uri(), ENGINE_URL + "other")
        self.assertEqual(self.app.driver.js("return window.unchanged"), "ja")
        # The leave comes as the drag's end reaches the window, which a sanitized build may take long over.
        self.app.driver.wait_until(lambda: self.app.driver.js("return window.seen.at(-1)") == "dragleave:0:true:Files",
                                   timeout=20, description="the drag's leave")
        seen = self.app.driver.js("return window.seen")
        self.assertFalse([event for event in seen if event.startswith("drop:")])
        self.assertIn("dragover:0:true:Files", seen, "the page was told of the drag, and took none of it")
        self.assertEqual([event for event in seen if not event.endswith(":true:Files")], [],
                         "the page heard of the drag as files only, never as WebKit's drag of links and markup")


class DropsOnTheSplash(DropTestCase, UiTestCase):
    def test_the_splash_gets_nothing_and_stays(self):
        self.home.install_standin()
        self.app = self.start_app({"VORL_STANDIN_STARTUP_DELAY": "30"})
        self.app.wait_for_uri(lambda uri: uri == "about:blank", description="the splash")
        self.drag([self.fixture("lyd.wav", b"RIFF" + b"x" * 100)], (700, 400))
        time.sleep(3)
        self.assertEqual(self.app.uri(), "about:blank")
        self.assertEqual(self.app.driver.dialogs(), [])


if __name__ == "__main__":
    unittest.main()
