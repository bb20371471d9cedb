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


def wait_until_catching(pid, signal_number):
    while True:
        with open(f"/proc/{pid}/status", encoding="ascii") as status:
            caught = next(line for line in status if line.startswith("SigCgt:"))
        if int(caught.split()[1], 16) & (1 << (signal_number - 1)):
            return
        time.sleep(0.001)


def main():
    program = sys.argv[1]
    environment = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    for signal_number in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        window = subprocess.Popen([program], env=environment, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.PIPE)
        wait_until_catching(window.pid, signal_number)
        time.sleep(0.2)  # the window is up and idle: the splash shows for 2 s
        window.send_signal(signal_number)
        _, err = window.communicate(timeout=60)
        if window.returncode != 128 + signal_number:
            print(f"{signal.Signals(signal_number).name}: the window ended with status "
                  f"{window.returncode}, expected {128 + signal_number}; stderr {err!r}")
            sys.exit(1)
    print("passed")


if __name__ == "__main__":
    main()
