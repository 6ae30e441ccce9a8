#!/usr/bin/env python3
"""Runs the application on a virtual display, saves a screenshot once its page has loaded,
and quits it the way a user would. Usage: screenshot_run.py <app> <driver library> <png>."""

import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "ui"))
from vorl_driver import Driver, save_screen  # noqa: E402

app_binary, driver_library, screenshot = (os.path.abspath(argument) for argument in sys.argv[1:4])
socket_path = os.path.join(tempfile.mkdtemp(prefix="vorl-run-"), "driver.sock")
environment = dict(os.environ, LD_PRELOAD=driver_library, VORL_TEST_DRIVER_SOCKET=socket_path)
app = subprocess.Popen([app_binary], env=environment)
driver = Driver(app).connect(socket_path, timeout=30)

# The splash is about:blank; the engine's page or the built-in page replaces it.
driver.wait_until(lambda: (driver.state()["uri"] or "about:blank") != "about:blank", timeout=60,
                  description="the engine's page or the built-in page")
save_screen(driver, screenshot)
print("Page:", driver.state()["uri"])
print("Screenshot:", os.path.abspath(screenshot))

driver.close_window()
sys.exit(app.wait(30))
