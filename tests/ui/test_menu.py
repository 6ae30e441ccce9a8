"""The menu bar and its shortcuts in the real window, pressed as keys on the keyboard."""

import os
import subprocess
import time
import unittest

from harness import ENGINE_URL, EnginePageTestCase, UiTestCase, engine_events, has_request, wait_for

window_manager = None


def setUpModule():
    # Keyboard focus and window states need a window manager; bare Xvfb has none.
    global window_manager
    window_manager = subprocess.Popen(["openbox"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def tearDownModule():
    window_manager.terminate()
    window_manager.wait(10)


def press(*keys):
    subprocess.run(["xdotool", "key", "--clearmodifiers", *keys], check=True)


def focus(app):
    app.driver.wait_until(lambda: app.driver.state()["window"]["active"], timeout=20,
                          description="the window to have the keyboard focus")


def click(window, x, y):
    subprocess.run(["xdotool", "mousemove", "--window", str(int(window)), str(x), str(y), "click", "1"], check=True)


class MenuBar(EnginePageTestCase):
    def test_the_menus_carry_their_items_shortcuts_and_disabled_states(self):
        menus = self.app.driver.menu()
        self.assertEqual([menu["label"] for menu in menus], ["VORL Vorudi", "Rediger", "Vis", "Vindu"])
        application = menus[0]["items"]
        self.assertEqual([item.get("label", "-") for item in application],
                         ["Om VORL Vorudi", "-", "Vis analysemappen", "Vis motorloggen", "Start motoren på nytt", "-",
                          "Skjul VORL Vorudi",
                          "Skjul andre", "Vis alle", "-", "Avslutt VORL Vorudi"])
        by_label = {item["label"]: item for menu in menus for item in menu["items"] if "label" in item}
        self.assertEqual(by_label["Vis analysemappen"]["accels"], ["<Control>comma"])
        self.assertEqual(by_label["Vis motorloggen"]["accels"], ["<Control><Alt>l"])
        self.assertEqual(by_label["Fullskjerm"]["accels"], ["F11"])
        self.assertFalse(by_label["Skjul andre"]["enabled"])
        self.assertFalse(by_label["Vis alle"]["enabled"])
        self.assertTrue(by_label["Om VORL Vorudi"]["enabled"])

    def test_ctrl_plus_zooms_the_page_as_its_script_sees_it_and_ctrl_0_resets(self):
        focus(self.app)
        width = self.app.driver.js("return window.innerWidth")
        press("ctrl+plus")
        self.app.driver.wait_until(lambda: self.app.driver.js("return window.innerWidth") < width, timeout=10,
                                   description="the page to see a narrower viewport")
        self.assertAlmostEqual(self.app.driver.state()["zoom_level"], 1.1)
        press("ctrl+equal")
        self.app.driver.wait_until(lambda: abs(self.app.driver.state()["zoom_level"] - 1.2) < 1e-9, timeout=10,
                                   description="Ctrl+=, the unshifted plus key, to zoom in one step more")
        press("ctrl+minus", "ctrl+minus", "ctrl+minus")
        self.app.driver.wait_until(lambda: abs(self.app.driver.state()["zoom_level"] - 0.9) < 1e-9, timeout=10,
                                   description="three steps out")
        press("ctrl+0")
        self.app.driver.wait_until(lambda: self.app.driver.js("return window.innerWidth") == width, timeout=10,
                                   description="the natural size again")

    def test_ctrl_comma_creates_the_data_folder_and_opens_it(self):
        self.assertFalse(os.path.exists(self.home.data))
        focus(self.app)
        press("ctrl+comma")
        wait_for(lambda: self.home.data in self.home.opened(), 10, "the data folder to be opened")
        self.assertTrue(os.path.isdir(self.home.data))

    def test_edit_shortcuts_act_on_the_page(self):
        self.app.driver.js("const field = document.createElement('input'); field.id = 'felt'; field.value = 'slices';"
                           "document.body.prepend(field); field.focus(); return true;")
        focus(self.app)
        press("ctrl+a", "ctrl+x")
        value = lambda: self.app.driver.js("return document.getElementById('felt').value")  # noqa: E731
        self.app.driver.wait_until(lambda: value() == "", timeout=10, description="the text to be cut")
        press("ctrl+v", "ctrl+v")
        self.app.driver.wait_until(lambda: value() == "slicesslices", timeout=10, description="the text pasted twice")

    def test_f11_toggles_full_screen(self):
        focus(self.app)
        press("F11")
        self.app.driver.wait_until(lambda: self.app.driver.state()["window"]["fullscreen"], timeout=10,
                                   description="full screen")
        press("F11")
        self.app.driver.wait_until(lambda: not self.app.driver.state()["window"]["fullscreen"], timeout=10,
                                   description="back from full screen")

    def test_the_about_box_names_the_program_and_its_version(self):
        self.app.driver.activate("app.orderFrontStandardAboutPanel")
        about = self.app.driver.wait_dialog(kind="about")
        self.assertEqual(about["program_name"], "VORL Vorudi")
        self.assertTrue(about["version"])
        self.assertEqual(about["logo_icon_name"], "no.vorl.Vorudi")

    def confirm_in_page(self):
        self.start_in_page("new Promise(done => setTimeout(() => done(confirm('Fortsette?')), 0))")
        return self.dialog("message", secondary_text="Fortsette?")

    def assert_dialog_has_the_keyboard_focus(self, dialog):
        # Else the main window's own shortcuts would answer the keys.
        self.app.driver.wait_until(
            lambda: any(shown["id"] == dialog["id"] and shown["active"] for shown in self.app.driver.dialogs()),
            timeout=10, description="the dialog to have the keyboard focus")
        self.assertFalse(self.app.driver.state()["window"]["active"])

    def test_the_shortcuts_stay_live_while_a_dialog_shows(self):
        dialog = self.confirm_in_page()
        self.assert_dialog_has_the_keyboard_focus(dialog)
        press("ctrl+alt+l")
        wait_for(lambda: self.home.logfile in self.home.opened(), 10, "the engine's log to be opened")
        greetings = lambda: sum(1 for event in engine_events(self.home.log_text())  # noqa: E731
                                if event.get("path", "").startswith("/api/hello"))
        before = greetings()
        self.assert_dialog_has_the_keyboard_focus(dialog)
        press("ctrl+r")
        # The page's question is answered as cancelled, and the page starts anew.
        wait_for(lambda: greetings() > before, 20, "the reloaded page's script to run")
        self.assertEqual([dialog for dialog in self.app.driver.dialogs() if dialog["kind"] == "message"], [])
        self.assertTrue(self.app.driver.state()["window"]["content_sensitive"])

    def test_under_a_dialog_the_editing_shortcuts_leave_the_page_alone(self):
        dialog = self.confirm_in_page()
        self.assert_dialog_has_the_keyboard_focus(dialog)
        press("ctrl+a", "ctrl+alt+l")
        # Keys are handled in order: once the log opens, Ctrl+A has been handled too.
        wait_for(lambda: self.home.logfile in self.home.opened(), 10, "the engine's log to be opened")
        self.answer(dialog, "Avbryt")  # the page's script waits for it
        self.assertEqual(self.outcome(), {"settled": True, "value": False})
        self.assertEqual(self.app.driver.js("return String(window.getSelection())"), "", "nothing of the page selected")

    def test_a_menu_of_the_menu_bar_opens_with_the_mouse_while_a_dialog_shows(self):
        self.confirm_in_page()
        bar = self.app.driver.menubar()
        view = lambda: next(menu for menu in self.app.driver.menubar()["menus"] if menu["label"] == "Vis")  # noqa: E731
        click(bar["window"], view()["x"], view()["y"])
        self.app.driver.wait_until(lambda: view()["open"], timeout=10, description="the menu Vis to open")
        self.assertEqual([dialog["secondary_text"] for dialog in self.app.driver.dialogs()], ["Fortsette?"])

    def test_ctrl_q_quits_while_an_alert_shows(self):
        self.start_in_page("new Promise(done => setTimeout(() => done(alert('Vent')), 0))")
        self.dialog("message", secondary_text="Vent")
        self.assertFalse(self.app.driver.state()["window"]["content_sensitive"], "the page takes no input under a sheet")
        press("ctrl+q")
        self.assertLess(self.app.wait_exit(timeout=15), 5)
        self.wait_for_request("/api/quit")

    def test_ctrl_q_quits_and_stops_the_engine(self):
        focus(self.app)
        press("ctrl+q")
        self.assertLess(self.app.wait_exit(timeout=15), 5)
        self.wait_for_request("/api/quit")


class ProgramsItOpens(EnginePageTestCase):
    # A German desktop under the C locale, which the app's own texts do not follow.
    app_environment = {"LANGUAGE": "de:en", "LC_ALL": "C", "LC_MESSAGES": None, "LC_NUMERIC": None}

    def test_a_program_it_opens_gets_the_users_own_language_settings(self):
        focus(self.app)
        press("ctrl+comma")
        wait_for(lambda: self.home.data in self.home.opened(), 10, "the data folder to be opened")
        environment = self.home.opened_environments()[-1]
        self.assertEqual(environment.get("LANGUAGE"), "de:en")
        self.assertEqual(environment.get("LC_ALL"), "C")
        self.assertNotIn("LC_MESSAGES", environment)
        self.assertNotIn("LC_NUMERIC", environment)


class ReloadFromTheSplash(UiTestCase):
    def test_ctrl_r_on_the_splash_probes_the_engine_and_shows_its_page(self):
        app = self.start_app()
        warning = app.driver.wait_dialog(kind="message", text_contains="VORL Vorudi", timeout=30)
        app.driver.respond(warning["id"], warning["buttons"][0]["response"])
        self.assertEqual(app.uri(), "about:blank")

        engine = self.start_engine()
        focus(app)
        press("ctrl+r")
        wait_for(lambda: has_request(engine.output(), "/api/status"), 10, "the engine to be probed")
        app.wait_for_uri(lambda uri: uri == ENGINE_URL, description="the engine's page")


if __name__ == "__main__":
    unittest.main()
