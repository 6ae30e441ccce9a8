"""The real application on a headless Wayland compositor, with no X display at all."""

import re
import unittest

from harness import ENGINE_URL, HeadlessWayland, UiTestCase, engine_starts, has_request, process_gone, wait_for


class OnWayland(UiTestCase):
    def setUp(self):
        # Started first and stopped last: cleanups run after tearDown has ended the app.
        self.compositor = HeadlessWayland()
        self.addCleanup(self.compositor.stop)
        super().setUp()
        self.home.install_standin()

    def test_the_engines_page_shows_in_the_titled_window_and_closing_it_stops_the_engine(self):
        app = self.start_app(self.compositor.environment)
        app.wait_for_uri(lambda uri: uri == ENGINE_URL, timeout=60, description="the launched engine's page")
        wait_for(lambda: has_request(self.home.log_text(), "/api/hello"), 20, "the page's script to run")
        state = app.driver.state()
        self.assertEqual((state["main_windows"], state["window"]["title"]), (1, "VORL Vorudi"))
        # What the compositor was told, which proves the window really is a Wayland surface.
        wait_for(lambda: re.search(r'xdg_toplevel@\d+\.set_title\("VORL Vorudi"\)', self.compositor.log_text()), 10,
                 "the compositor to be given the window's title")
        pid = engine_starts(self.home.log_text())[-1]["pid"]

        app.driver.close_window()
        self.assertLess(app.wait_exit(timeout=15), 5)
        self.assertEqual(app.process.returncode, 0)
        self.wait_for_request("/api/quit")
        wait_for(lambda: process_gone(pid), 5, "the engine process to be gone")


if __name__ == "__main__":
    unittest.main()
