"""Start-up, engine launch, fallback and shutdown, in the real window."""

import os
import signal
import socket
import unittest

from harness import ENGINE_URL, UiTestCase, engine_events, engine_starts, has_request, process_gone, wait_for

NOT_INSTALLED = ("AI-miljøet er ikke installert. Appen bruker den innebygde motoren. "
                 "Installer VORL Vorudi-pakken på nytt for AI-analyse.")
STOPPED = ("Motoren stoppet under oppstart. Se ~/Library/Logs/VORL Vorudi – motor.log. "
           "Appen bruker den innebygde motoren.")
STOPPED_THRICE = "Motoren stoppet tre ganger på under fem minutter. Appen bruker den innebygde motoren."


def guards_of(logfile):
    """The guard processes that write this log, by their names and command lines."""
    found = []
    for process in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/comm" % process) as comm, open("/proc/%s/cmdline" % process, "rb") as cmdline:
                if comm.read().strip() == "vorl-motorvakt" and logfile.encode() in cmdline.read().split(b"\0"):
                    found.append(int(process))
        except OSError:
            pass  # gone meanwhile
    return found


def resident_kib(pid):
    with open("/proc/%d/status" % pid) as status:
        return int(next(line for line in status if line.startswith("VmRSS:")).split()[1])


def warning(app, text):
    return app.driver.wait_dialog(kind="message", text_contains="VORL Vorudi", timeout=30) and next(
        dialog for dialog in app.driver.dialogs() if dialog.get("secondary_text") == text)


class EngineAlreadyRunning(UiTestCase):
    def test_its_page_loads_and_runs_and_the_engine_outlives_the_app(self):
        engine = self.start_engine()
        app = self.start_app()
        app.wait_for_uri(lambda uri: uri == ENGINE_URL, description="the engine's page")
        wait_for(lambda: has_request(engine.output(), "/api/hello"), 20, "the page's script to call the engine")
        state = app.driver.state()
        self.assertEqual(state["window"]["title"], "VORL Vorudi")
        self.assertEqual(state["main_windows"], 1)
        app.screenshot("engine-page.png")

        app.terminate()
        self.assertIsNone(engine.process.poll(), "an engine the app did not launch is left running")
        self.assertFalse(has_request(engine.output(), "/api/quit"))
        self.assertFalse(os.path.exists(self.home.logfile))

    def test_a_proxy_in_the_environment_does_not_stand_between_the_page_and_the_engine(self):
        with socket.socket() as unused:
            unused.bind(("127.0.0.1", 0))
            refusing = "http://127.0.0.1:%d" % unused.getsockname()[1]  # nothing listens once closed
        engine = self.start_engine()
        app = self.start_app({"http_proxy": refusing, "HTTP_PROXY": refusing, "https_proxy": refusing,
                              "no_proxy": "intern.example"})
        wait_for(lambda: has_request(engine.output(), "/api/hello"), 20, "the page's script to call the engine")
        self.assertEqual(app.uri(), ENGINE_URL)


class EngineInstalled(UiTestCase):
    def setUp(self):
        super().setUp()
        self.home.install_standin()

    def launched_engine_pid(self):
        return engine_starts(self.home.log_text())[-1]["pid"]

    def test_the_app_launches_the_engine_and_closing_the_window_stops_it(self):
        app = self.start_app()
        app.wait_for_uri(lambda uri: uri == ENGINE_URL, description="the launched engine's page")
        wait_for(lambda: has_request(self.home.log_text(), "/api/hello"), 20, "the page's script to run")
        self.assertTrue(self.home.log_text().startswith("=== start "))
        pid = self.launched_engine_pid()

        app.driver.close_window()
        self.assertLess(app.wait_exit(timeout=15), 5)
        self.wait_for_request("/api/quit")
        wait_for(lambda: process_gone(pid), 5, "the engine process to be gone")

    def test_a_polite_kill_stops_the_launched_engine_too(self):
        app = self.start_app()
        app.wait_for_uri(lambda uri: uri == ENGINE_URL, description="the launched engine's page")
        pid = self.launched_engine_pid()
        app.terminate(signal.SIGINT)
        self.assertEqual(app.process.returncode, 0)
        self.wait_for_request("/api/quit")
        wait_for(lambda: process_gone(pid), 5, "the engine process to be gone")

    def test_a_killed_app_takes_the_engine_and_what_it_started_with_it(self):
        app = self.start_app({"VORL_STANDIN_HELPER": "1"})
        app.wait_for_uri(lambda uri: uri == ENGINE_URL, description="the launched engine's page")
        helpers = lambda: [e["pid"] for e in engine_events(self.home.log_text()) if e.get("event") == "helper"]  # noqa: E731
        helper = wait_for(helpers, 20, "the engine's helper")[0]
        engine = self.launched_engine_pid()
        app.kill()
        wait_for(lambda: process_gone(engine) and process_gone(helper), 3, "the engine's whole group to be gone")

    def test_one_small_guard_holds_only_its_channel_and_the_log_and_gives_a_careful_engine_its_time(self):
        app = self.start_app({"VORL_STANDIN_EXIT_DELAY": "5", "VORL_STANDIN_IGNORE_QUIT": "1"})
        app.wait_for_uri(lambda uri: uri == ENGINE_URL, description="the launched engine's page")
        guards = guards_of(self.home.logfile)
        self.assertEqual(len(guards), 1, "one guard, of its own name")
        self.assertLess(resident_kib(guards[0]), 2048)
        held = sorted(os.readlink("/proc/%d/fd/%s" % (guards[0], fd)) for fd in os.listdir("/proc/%d/fd" % guards[0]))
        self.assertEqual(len(held), 3, "its channel, the engine's output and the log: nothing else")
        self.assertEqual(held[0], self.home.logfile)
        self.assertTrue(held[1].startswith("pipe:") and held[2].startswith("socket:"), held)

        app.driver.close_window()
        self.assertLess(app.wait_exit(timeout=15), 5, "the app does not wait for the engine's clean-up")
        wait_for(lambda: '"event": "cleaned-up"' in self.home.log_text(), 9, "the engine's clean-up")
        wait_for(lambda: process_gone(guards[0]), 3, "the guard to go with the engine")

    def test_an_engine_that_dies_at_start_brings_the_built_in_page_and_says_why(self):
        app = self.start_app({"VORL_STANDIN_EXIT_AT_START": "3"})
        self.assertTrue(warning(app, STOPPED))
        app.wait_for_uri(lambda uri: uri.startswith("file://") and uri.endswith("/Auto-Vorudi.html"),
                         description="the built-in page, from its file")
        app.driver.wait_until(lambda: "er klar" in app.driver.js("return document.getElementById('log').textContent"),
                              timeout=20, description="the built-in page's scripts, its own and the one beside it")
        app.screenshot("engine-stopped.png")


class EngineInUse(UiTestCase):
    """The engine after its page has loaded: one that stops is replaced, one that keeps stopping
    is explained, and the user can restart it."""

    def setUp(self):
        super().setUp()
        self.home.install_standin()

    def engine_pids(self):
        return [start["pid"] for start in engine_starts(self.home.log_text())]

    def page_runs(self):
        return sum(1 for event in engine_events(self.home.log_text())
                   if event.get("event") == "request" and event.get("path", "").startswith("/api/hello"))

    def wait_for_page(self, app, runs):
        wait_for(lambda: self.page_runs() >= runs, 30, "the engine's page to run (%d)" % runs)
        self.assertEqual(app.uri(), ENGINE_URL)

    def test_a_killed_engine_is_replaced_and_its_page_comes_back_without_a_word(self):
        app = self.start_app()
        self.wait_for_page(app, 1)
        first = self.engine_pids()[0]
        os.kill(first, signal.SIGKILL)
        wait_for(lambda: len(self.engine_pids()) == 2, 20, "a new engine")
        self.wait_for_page(app, 2)
        self.assertEqual([dialog for dialog in app.driver.dialogs() if dialog["kind"] == "message"], [])

    def test_an_engine_that_keeps_crashing_ends_in_the_built_in_page_with_its_last_line(self):
        app = self.start_app({"VORL_STANDIN_EXIT_AFTER": "2"})
        dialog = app.driver.wait_dialog(kind="message", text_contains="tre ganger", timeout=60)
        self.assertEqual(dialog["secondary_text"], STOPPED_THRICE)
        self.assertIn("Avsluttet med kode 3.", dialog["texts"])
        self.assertEqual(len(dialog["excerpts"]), 1, "the log's last lines, selectable, in a monospace font")
        self.assertTrue(dialog["excerpts"][0].endswith("RuntimeError: standin gave up after 2 s"), dialog["excerpts"])
        self.assertEqual([button["label"] for button in dialog["buttons"]], ["OK", "Vis motorloggen"])
        self.assertEqual(len(self.engine_pids()), 3)
        app.wait_for_uri(lambda uri: uri.endswith("/Auto-Vorudi.html"), description="the built-in page")
        app.screenshot("engine-stopped-thrice.png")
        app.driver.respond(dialog["id"], dialog["buttons"][1]["response"])
        wait_for(lambda: self.home.logfile in self.home.opened(), 10, "the engine's log to be opened")

    def test_the_restart_command_brings_a_new_engine_and_the_page_back(self):
        app = self.start_app()
        self.wait_for_page(app, 1)
        # Once the page has drawn its notes, which the engine makes on its one interpreter
        # thread, the engine is idle and answers the quit request well within its time-out.
        wait_for(lambda: any(event.get("event") == "mark" and event.get("name") == "waveform"
                             for event in engine_events(self.home.log_text())), 30, "the page's waveform")
        first = self.engine_pids()[0]
        restart = lambda: next(item for menu in app.driver.menu() for item in menu["items"]  # noqa: E731
                               if item.get("label") == "Start motoren på nytt")
        self.assertTrue(restart()["enabled"])
        app.driver.activate("app.restartEngine")
        wait_for(lambda: len(self.engine_pids()) == 2, 20, "a new engine")
        self.assertNotEqual(self.engine_pids()[1], first)
        self.wait_for_page(app, 2)
        self.assertTrue(process_gone(first))
        self.wait_for_request("/api/quit")
        app.driver.wait_until(lambda: restart()["enabled"], timeout=10, description="the restart offered again")


class WindowFrame(UiTestCase):
    def frame_file(self):
        return os.path.join(self.home.path, ".config", "VORL Vorudi", "VORLVorudiHovedvindu.ini")

    def test_the_first_run_shows_1440_by_920_of_page_and_the_size_is_kept_from_one_run_to_the_next(self):
        app = self.start_app()
        app.driver.wait_until(lambda: app.driver.state()["window"]["width"] == 1440, timeout=20,
                              description="the first run's default size")
        viewport = "return [window.innerWidth, window.innerHeight, window.devicePixelRatio]"
        app.driver.wait_until(lambda: app.driver.js(viewport) == [1440, 920, 1], timeout=20,
                              description="the page's viewport, below the menu bar, to be 1440 × 920")
        self.assertGreater(app.driver.state()["window"]["height"], 920)
        app.driver.close_window()
        app.wait_exit()
        with open(self.frame_file(), encoding="utf-8") as saved:
            self.assertIn("bredde=1440", saved.read())

        with open(self.frame_file(), "w", encoding="utf-8") as saved:
            saved.write("[Ramme]\nbredde=1200\nhoyde=800\nmaksimert=false\n")
        app = self.start_app()
        app.driver.wait_until(lambda: (app.driver.state()["window"]["width"],
                                       app.driver.state()["window"]["height"]) == (1200, 800), timeout=20,
                              description="the saved size")


    def test_at_scale_2_the_first_run_fits_the_screen(self):
        # Xvfb's 1920 × 1080 pixels are 960 × 540 here, less than the first run's size and even
        # than the window's usual minimum.
        app = self.start_app({"GDK_SCALE": "2"})
        shown = lambda: app.driver.state()["window"]  # noqa: E731
        window = app.driver.wait_until(lambda: shown() and shown()["visible"] and shown()["width"] > 0 and shown(),
                                       timeout=20, description="the window to show")
        self.assertEqual(window["scale"], 2)
        self.assertEqual((window["width"], window["height"]), (960, 540))


class NothingInstalled(UiTestCase):
    def test_the_warning_names_the_missing_installation_and_no_log_is_made(self):
        app = self.start_app()
        dialog = warning(app, NOT_INSTALLED)
        self.assertEqual(dialog["text"], "VORL Vorudi")
        self.assertTrue(dialog["transient_for_main"])
        self.assertEqual([button["label"] for button in dialog["buttons"]], ["OK"])
        app.screenshot("not-installed.png")
        self.assertFalse(os.path.exists(os.path.dirname(self.home.logfile)))

        app.driver.respond(dialog["id"], dialog["buttons"][0]["response"])
        wait_for(lambda: not app.driver.dialogs(), 5, "the warning to close")
        self.assertEqual(app.uri(), "about:blank", "the splash stays when there is no built-in page")


if __name__ == "__main__":
    unittest.main()
