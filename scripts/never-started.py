#!/usr/bin/env python3
"""Names of the tests in a ctest run that failed without printing a single line.

A test program under Wine that printed nothing never reached its main(): Wine did not
start it. Those, and only those, are worth starting once more; a test that ran and
failed stays failed.
"""
import re
import sys

log_dir = sys.argv[1] + "/Testing/Temporary"
try:
    failed = [l.split(":", 1)[1].strip() for l in open(log_dir + "/LastTestsFailed.log", encoding="utf-8", errors="replace") if ":" in l]
    log = open(log_dir + "/LastTest.log", encoding="utf-8", errors="replace").read()
except OSError:
    sys.exit(0)
for name in failed:
    m = re.search(r"\d+/\d+ Test: " + re.escape(name) + r"\n.*?Output:\n-+\n(.*?)<end of output>", log, re.S)
    if m and not m.group(1).strip():
        print(name)
