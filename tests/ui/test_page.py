"""What the engine's page may use, in the real window with the real stand-in engine."""

import os
import signal
import subprocess
import time
import unittest
import urllib.request

from harness import (ENGINE_URL, EnginePageTestCase, engine_events, engine_starts, has_request, port_answers,
                     wait_for, web_processes)


class MessageChannel(EnginePageTestCase):
    def test_choose_folder_resolves_with_the_chosen_path_or_with_nothing(self):
        target = os.path.join(self.home.path, "bounce ut")
        os.makedirs(target)
        self.post({"cmd": "chooseFolder", "dir": self.home.path})
        chooser = self.dialog("file-chooser", action="select-folder", title="Velg mappa der bouncede filer skal lagres")
        self.assertEqual(chooser["accept_label"], "Velg")
        self.assertEqual(chooser["current_folder"], self.home.path)
        self.app.driver.choose(chooser["id"], target)
        self.assertEqual(self.outcome(), {"settled": True, "value": target})

        self.post({"cmd": "chooseFolder"})
        chooser = self.dialog("file-chooser", action="select-folder")
        self.app.driver.respond(chooser["id"], -6)
        self.assertEqual(self.outcome(), {"settled": True})

    def test_save_as_resolves_with_the_path_the_user_typed(self):
        self.post({"cmd": "saveAs", "name": "miks.wav", "dir": self.home.path})
        chooser = self.dialog("file-chooser", action="save", current_name="miks.wav")
        self.assertEqual(chooser["current_folder"], self.home.path)
        chosen = os.path.join(self.home.path, "miks 2.wav")
        self.app.driver.choose(chooser["id"], chosen)
        self.assertEqual(self.outcome(), {"settled": True, "value": chosen})

    def test_reveal_resolves_true_and_shows_the_folder(self):
        self.post({"cmd": "reveal", "path": self.home.logfile})
        self.assertEqual(self.outcome(), {"settled": True, "value": True})
        # No file manager on the session bus here: the folder opens with the default handler,
        # which gets local files as paths.
        folder = os.path.dirname(self.home.logfile)
        wait_for(lambda: folder in self.home.opened(), 10, "the folder to be opened")

    def test_messages_it_cannot_take_reject_with_the_reason(self):
        self.post("bare tekst")
        self.assertEqual(self.outcome(), {"settled": True, "error": "ugyldig melding"})
        self.post({"cmd": "finnesIkke"})
        self.assertEqual(self.outcome(), {"settled": True, "error": "ukjent kommando"})

    def test_any_shape_a_page_posts_is_answered_and_the_app_still_quits_cleanly(self):
        shapes = {
            "(() => { const o = {cmd: 'nope'}; o.a = o; o.b = o; return o; })()": {"error": "ukjent kommando"},
            "({cmd: 'reveal', path: ''})": {"value": True},
            "({cmd: 'reveal', path: 'relativ/sti.wav'})": {"value": True},
            # WebKit itself carries a typed array element by element, in the page's process; the
            # app's share is the same for any size (see the JavaScriptCore-level test).
            "({cmd: 'reveal', ignored: new Float64Array(2e5)})": {"value": True},
            "(() => { let o = {cmd: 'x'}; for (let i = 0; i < 1000; ++i) o = {cmd: 'x', o}; return o; })()":
                {"error": "ukjent kommando"},
        }
        for shape, answer in shapes.items():
            self.start_in_page("window.webkit.messageHandlers.vorl.postMessage(%s)" % shape)
            self.assertEqual(self.outcome(), dict(settled=True, **answer), shape)
        self.assertEqual(self.home.opened(), [], "no empty or relative path is shown")
        self.app.driver.close_window()
        self.assertLess(self.app.wait_exit(timeout=15), 5)
        self.assertEqual(self.app.process.returncode, 0)
        self.wait_for_request("/api/quit")

    def test_panels_asked_at_once_are_shown_one_at_a_time_and_each_is_answered(self):
        self.start_in_page("Promise.all([1, 2, 3, 4, 5].map(n => window.webkit.messageHandlers.vorl.postMessage("
                           "{cmd: 'saveAs', name: n + '.wav'}).then(path => path || 'avbrutt ' + n)))")
        for n in range(1, 6):
            chooser = self.dialog("file-chooser", action="save", current_name="%d.wav" % n)
            self.assertEqual(len(self.app.driver.dialogs()), 1, "one sheet at a time")
            if n == 3:
                self.app.driver.respond(chooser["id"], -6)
            else:
                self.app.driver.choose(chooser["id"], os.path.join(self.home.path, "%d.wav" % n))
        expected = [os.path.join(self.home.path, "%d.wav" % n) if n != 3 else "avbrutt 3" for n in range(1, 6)]
        self.assertEqual(self.outcome(), {"settled": True, "value": expected})


class ScriptDialogs(EnginePageTestCase):
    def test_alert_confirm_and_prompt_round_trips(self):
        self.start_in_page("new Promise(resolve => setTimeout(() => resolve(alert('Ferdig!')), 100))")
        alert = self.dialog("message", secondary_text="Ferdig!")
        self.assertEqual(alert["text"], "VORL Vorudi")
        self.answer(alert, "OK")
        self.assertEqual(self.outcome(), {"settled": True})  # alert() returns undefined

        for label, expected in (("OK", True), ("Avbryt", False)):
            self.start_in_page("new Promise(resolve => setTimeout(() => resolve(confirm('Slette?')), 100))")
            confirm = self.dialog("message", secondary_text="Slette?")
            self.assertEqual([button["label"] for button in confirm["buttons"]], ["OK", "Avbryt"])
            self.assertEqual(confirm["default_response"], confirm["buttons"][0]["response"])
            self.answer(confirm, label)
            self.assertEqual(self.outcome(), {"settled": True, "value": expected})

        self.start_in_page("new Promise(resolve => setTimeout(() => resolve(prompt('Navn?', 'standard')), 100))")
        prompt = self.dialog("message", secondary_text="Navn?")
        self.assertEqual(prompt["entry"], "standard")
        self.app.driver.set_entry(prompt["id"], "")
        self.answer(prompt, "OK")
        self.assertEqual(self.outcome(), {"settled": True, "value": ""})

        self.start_in_page("new Promise(resolve => setTimeout(() => resolve(prompt('Navn?')), 100))")
        prompt = self.dialog("message", secondary_text="Navn?")
        self.assertEqual(prompt["entry"], "")
        self.answer(prompt, "Avbryt")
        self.assertEqual(self.outcome(), {"settled": True, "value": None})

    def test_closing_the_window_with_a_prompt_open_ends_the_app_cleanly(self):
        self.start_in_page("new Promise(resolve => setTimeout(() => resolve(prompt('Navn?', 'standard')), 100))")
        self.dialog("message", secondary_text="Navn?")
        self.app.driver.close_window()
        self.assertLess(self.app.wait_exit(timeout=15), 5)  # the sanitizer build fails on any report
        self.assertEqual(self.app.process.returncode, 0)

    def test_a_file_input_gets_the_chosen_file(self):
        chosen = os.path.join(self.home.path, "opptak ø.wav")
        with open(chosen, "wb") as recording:
            recording.write(b"RIFF")
        self.click("file-input")
        chooser = self.dialog("file-chooser", action="open")
        self.assertTrue(chooser["select_multiple"])
        self.app.driver.choose(chooser["id"], chosen)
        self.app.driver.wait_until(
            lambda: self.app.driver.js("return [...document.getElementById('file-input').files].map(f => f.name)")
            == ["opptak ø.wav"], timeout=10, description="the input to hold the file")


class ToolkitTexts(EnginePageTestCase):
    # A German desktop; an empty LC_ALL counts as unset.
    app_environment = {"LANG": "C.UTF-8", "LC_ALL": "", "LANGUAGE": "de"}

    def test_gtks_and_webkits_own_texts_are_bokmal_whatever_the_desktops_language(self):
        self.click("file-input")
        chooser = self.dialog("file-chooser", action="open")
        for text in ("Nylig", "Andre lokasjoner", "Størrelse"):
            self.assertIn(text, chooser["texts"], "GTK's own place list and columns")
        self.app.driver.respond(chooser["id"], -6)
        # A text the system's bokmål catalog for WebKit lacks, written by the page's own process.
        self.assertEqual(self.app.driver.js("const field = document.createElement('input'); field.required = true;"
                                            "return field.validationMessage"), "Fyll ut dette feltet")


class ToolkitTextsUnderTheCLocale(ToolkitTexts):
    # LC_ALL=C, which would otherwise decide the messages category too.
    app_environment = {"LANG": "C.UTF-8", "LC_ALL": "C", "LANGUAGE": "de"}


class Downloads(EnginePageTestCase):
    def engine_bytes(self, path):
        with urllib.request.urlopen(ENGINE_URL.rstrip("/") + path) as reply:
            return reply.read()

    def download_through_the_panel(self, link_id, suggested, engine_path):
        """Follows a link, saves what it offers under a name of the test's choosing, and checks
        that the engine's bytes arrived while the page stayed as it was."""
        self.app.driver.js("window.__unchanged = 'ja'; return true;")
        self.click(link_id)
        chooser = self.dialog("file-chooser", action="save", current_name=suggested,
                              current_folder=os.path.join(self.home.data, "Vuzezi for QLab"))
        chosen = os.path.join(self.home.path, "lagret ø " + suggested)
        self.app.driver.choose(chooser["id"], chosen)
        expected = self.engine_bytes(engine_path)
        wait_for(lambda: os.path.exists(chosen) and open(chosen, "rb").read() == expected, 20, "the saved file")
        self.assertEqual(self.app.driver.js("return window.__unchanged"), "ja", "the page was not reloaded")
        self.assertEqual(self.app.uri(), ENGINE_URL)
        self.assertEqual(self.app.driver.dialogs(), [])

    def test_a_download_lands_where_chosen_and_the_page_stays(self):
        self.download_through_the_panel("link-download-wav", "slices.wav", "/download/slices.wav")

    def test_a_link_with_a_download_attribute_is_downloaded_not_opened(self):
        self.download_through_the_panel("link-download-attr", "data-kopi.bin", "/download/data.bin")

    def test_a_transfer_cut_short_keeps_the_old_file(self):
        chosen = os.path.join(self.home.path, "viktig.bin")
        with open(chosen, "wb") as old:
            old.write(b"the user's earlier file")
        self.app.driver.js("location.href = '/download/truncated.bin'; return true;")
        chooser = self.dialog("file-chooser", action="save", current_name="truncated.bin")
        self.app.driver.choose(chooser["id"], chosen)
        confirm = self.dialog("message")  # the chooser asks before replacing a file
        self.answer(confirm, next(button["label"] for button in confirm["buttons"] if button["response"] == -3))
        failure = self.dialog("message", text="Lagring feilet")
        self.assertTrue(failure["secondary_text"])
        with open(chosen, "rb") as kept:
            self.assertEqual(kept.read(), b"the user's earlier file")
        leftovers = [name for name in os.listdir(self.home.path) if name.endswith(".part")]
        self.assertEqual(leftovers, [])
        self.assertEqual(self.app.uri(), ENGINE_URL)

    def test_quitting_mid_transfer_leaves_the_old_file_whole_and_nothing_else(self):
        # On an engine of the user's own, which outlives the app, the transfer runs to the end.
        self.app.terminate()
        wait_for(lambda: not port_answers(), 10, "the app's engine to stop")
        self.start_engine()
        self.app = self.start_app()
        self.app.wait_for_uri(lambda uri: uri == ENGINE_URL, description="the engine's page")
        chosen = os.path.join(self.home.path, "viktig.bin")
        with open(chosen, "wb") as old:
            old.write(b"the user's earlier file")
        self.app.driver.js("location.href = '%sdownload/slow.bin'; return true;" % ENGINE_URL)
        chooser = self.dialog("file-chooser", action="save", current_name="slow.bin")
        before = sorted(os.listdir(self.home.path))
        self.app.driver.choose(chooser["id"], chosen)
        confirm = self.dialog("message")
        self.answer(confirm, next(button["label"] for button in confirm["buttons"] if button["response"] == -3))

        def size(name):
            # What the transfer writes into, GIO's temporary file beside the chosen one included,
            # can be renamed or removed while it is looked at.
            try:
                return os.path.getsize(os.path.join(self.home.path, name))
            except FileNotFoundError:
                return 0
        written = lambda: any(size(name) > 0 for name in set(os.listdir(self.home.path)) - set(before))  # noqa: E731
        wait_for(written, 20, "the transfer to be writing")
        self.app.driver.activate("app.terminate")
        self.app.wait_exit()
        self.assertEqual(sorted(os.listdir(self.home.path)), before)
        with open(chosen, "rb") as kept:
            self.assertEqual(kept.read(), b"the user's earlier file")


class DeadEngine(EnginePageTestCase):
    # Each engine takes a second to listen, so that the splash shows long enough to be seen.
    app_environment = {"VORL_STANDIN_STARTUP_DELAY": "1"}

    def test_a_dead_engine_brings_the_splash_and_then_a_fresh_engine(self):
        os.kill(engine_starts(self.home.log_text())[0]["pid"], signal.SIGKILL)
        # The page goes on to another of the engine's pages, unless the app has noticed the stop
        # first and shows the splash already.
        self.app.driver.js("if (location.protocol === 'http:') location.href = '/other'; return true;")
        self.app.wait_for_uri(lambda uri: uri == "about:blank", timeout=10, description="the splash")
        wait_for(lambda: len(engine_starts(self.home.log_text())) == 2, 20, "a second engine to be launched")
        self.app.wait_for_uri(lambda uri: uri == ENGINE_URL, description="the engine's page again")
        self.assertEqual(self.app.driver.dialogs(), [])


class Navigation(EnginePageTestCase):
    def test_outside_links_and_new_windows_go_to_the_browser(self):
        self.click("link-outside")
        wait_for(lambda: "https://example.org/" in self.home.opened(), 10, "the browser to get the link")
        self.click("btn-window-open")
        wait_for(lambda: self.home.opened().count("https://example.org/") == 2, 10, "the browser to get window.open")
        self.assertEqual(self.app.uri(), ENGINE_URL)
        self.assertEqual(self.app.driver.state()["main_windows"], 1)

    def test_a_dead_page_process_brings_the_page_back_until_it_dies_a_third_time(self):
        greetings = lambda: sum(1 for event in engine_events(self.home.log_text())  # noqa: E731
                                if event.get("path", "").startswith("/api/hello"))
        killed = set()
        for death in range(3):
            pid = wait_for(lambda: next((pid for pid in web_processes(self.app.process.pid) if pid not in killed),
                                        None), 20, "a live page process")
            before = greetings()
            os.kill(pid, signal.SIGKILL)
            killed.add(pid)
            if death < 2:
                wait_for(lambda: greetings() > before, 20, "the engine's page to come back and run")
                self.assertEqual(self.app.uri(), ENGINE_URL)
        warning = self.dialog("message", text="VORL Vorudi")
        self.assertEqual(warning["secondary_text"],
                         "Siden i vinduet krasjet tre ganger på under ett minutt. Appen bruker den innebygde motoren.")
        self.app.wait_for_uri(lambda uri: uri.endswith("/Auto-Vorudi.html"), description="the built-in page")


class HungPage(EnginePageTestCase):
    def test_a_page_that_stops_answering_the_users_input_may_be_reloaded(self):
        greetings = lambda: sum(1 for event in engine_events(self.home.log_text())  # noqa: E731
                                if event.get("path", "").startswith("/api/hello"))
        before = greetings()
        self.app.driver.js("setTimeout(() => { for (const end = Date.now() + 120000; Date.now() < end;); }, 100); "
                           "return true;")
        time.sleep(0.5)
        subprocess.run(["xdotool", "mousemove", "700", "500", "click", "1", "key", "a"], check=True)
        question = self.dialog("message", text="Siden svarer ikke")
        self.answer(question, "Last inn på nytt")
        wait_for(lambda: greetings() > before, 20, "the page reloaded in a process that answers")
        self.assertEqual(self.app.uri(), ENGINE_URL)


if __name__ == "__main__":
    unittest.main()
