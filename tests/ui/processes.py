"""Ending the helper processes a test or the benchmark started."""

import subprocess


def end_politely(process, timeout=10):
    """SIGTERM, and SIGKILL when that has not ended the process within timeout seconds."""
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(timeout)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait(timeout)
