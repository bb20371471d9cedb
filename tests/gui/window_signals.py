#!/usr/bin/python3
"""Starts the real tesselar window (offscreen) and sends it SIGINT, SIGTERM or SIGHUP while it
waits for the user: each time the program must end by itself with 128 plus the signal's number,
as shells expect, rather than be killed by the signal.

    window_signals.py TESSELAR
"""

import os
import signal
import subprocess
import sys
import time

from harness import wait_until_catching

for signal_number in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
    window = subprocess.Popen([sys.argv[1]], env=dict(os.environ, QT_QPA_PLATFORM="offscreen"),
                              stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    wait_until_catching(window.pid, signal_number)
    time.sleep(0.2)  # the window is up and idle: the splash shows for 2 s
    window.send_signal(signal_number)
    _, err = window.communicate(timeout=60)
    if window.returncode != 128 + signal_number:
        sys.exit(f"{signal.Signals(signal_number).name}: the window ended with status "
                 f"{window.returncode}, expected {128 + signal_number}; stderr {err!r}")
print("passed")
