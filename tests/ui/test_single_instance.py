"""One instance per session: runs under its own session bus (dbus-run-session)."""

import os
import time
import unittest

from harness import ENGINE_URL, UiTestCase, engine_events, wait_for


class SingleInstance(UiTestCase):
    def test_a_second_start_hands_over_to_the_first_and_exits(self):
        self.assertTrue(os.environ.get("DBUS_SESSION_BUS_ADDRESS"), "needs a session bus")
        engine = self.start_engine()
        first = self.start_app()
        first.wait_for_uri(lambda uri: uri == ENGINE_URL, description="the engine's page")

        started = time.monotonic()
        second = self.start_app(connect=False)
        status = second.process.wait(10)
        self.assertEqual(status, 0)
        self.assertLess(time.monotonic() - started, 1.0)

        time.sleep(1)  # a second instance that did run would have probed by now
        self.assertEqual(first.driver.state()["main_windows"], 1)
        probes = {event["client_pid"] for event in engine_events(engine.output())
                  if event.get("event") == "request" and event.get("path") == "/api/status"}
        self.assertEqual(probes, {first.process.pid})
        wait_for(lambda: first.process.poll() is None, 1, "the first instance to go on running")


if __name__ == "__main__":
    unittest.main()
