#!/usr/bin/env python3
"""The desktop's default opener in UI tests: records the environment it was started with, one
JSON object a line, and then each address it is asked to open: a test that has seen the address
finds the environment already there."""
import json
import os
import sys

log_path = os.environ["VORL_TEST_OPENED_LOG"]
with open(log_path + ".environment", "a", encoding="utf-8") as log:
    log.write(json.dumps(dict(os.environ)) + "\n")
with open(log_path, "a", encoding="utf-8") as log:
    for address in sys.argv[1:]:
        log.write(address + "\n")
