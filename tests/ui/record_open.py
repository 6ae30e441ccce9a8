#!/usr/bin/env python3
"""The desktop's default opener in UI tests: records each address it is asked to open."""
import os
import sys

with open(os.environ["VORL_TEST_OPENED_LOG"], "a", encoding="utf-8") as log:
    for address in sys.argv[1:]:
        log.write(address + "\n")
