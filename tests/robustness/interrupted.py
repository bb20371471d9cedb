#!/usr/bin/python3
"""Stops the real tesselar-convert with SIGINT, SIGTERM and SIGHUP at one moment of its work:
while it waits to open a FIFO no program writes to, while it waits for data from a FIFO whose
writer stays silent, or while it writes a large grid. Each time it must exit with 128 plus the
signal's number, say on stderr that it was interrupted, and leave the earlier shapefile at the
destination byte for byte as it was (pyshp still reads it) with no file of its own.

    interrupted.py TESSELAR_CONVERT CASE
"""

import os
import signal
import subprocess

from harness import (CELL_VALUES, GRID, NODES_X, big_grid, cells, data_file, fail, job,
                     proc, run_case, snapshot, wait_until, wait_until_catching, writing_in)

SIGNALS = (signal.SIGINT, signal.SIGTERM, signal.SIGHUP)


def sleeping_in(kernel_function):
    """Whether the process sleeps in the kernel function named (as /proc shows it), or, where
    the kernel does not show it, in any."""
    return lambda pid: proc(pid, "stat").split(") ")[1].startswith("S") and (
        kernel_function in proc(pid, "wchan") or proc(pid, "wchan") == "0")


class Workspace:
    """The standard job converted into out/result.shp, and a FIFO to read from."""

    def __init__(self, root, convert):
        self.root, self.convert = root, convert
        self.out = root / "out"
        self.out.mkdir()
        self.shp = self.out / "result.shp"
        self.fifo = root / "x.fifo"
        os.mkfifo(self.fifo)
        self.small = job(root)
        subprocess.run([convert, "-q", *self.small, "-o", str(self.shp)], check=True)

    def stop_once(self, args, signal_number, wait, expected_text):
        earlier = snapshot(self.out)
        converter = subprocess.Popen([self.convert, "-q", *args, "-o", str(self.shp)],
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        wait_until_catching(converter.pid, signal_number)
        wait_until(converter.pid, wait)
        converter.send_signal(signal_number)
        out, err = converter.communicate(timeout=60)
        name = signal.Signals(signal_number).name
        if converter.returncode != 128 + signal_number:
            fail(f"{name}: exit status {converter.returncode}, expected {128 + signal_number}; "
                 f"stderr {err!r}")
        expected = f"tesselar-convert: interrupted by {name} while {expected_text}"
        if out or not err.decode().startswith(expected) or err.count(b"\n") != 1:
            fail(f"{name}: expected one line '{expected}...' on stderr and nothing on stdout, "
                 f"got {err!r} and {out!r}")
        if snapshot(self.out) != earlier or [v for _, v in cells(self.shp)] != CELL_VALUES:
            fail(f"{name}: the output folder changed: {sorted(snapshot(self.out))}")


def case_opening_fifo(ws):
    # No program opens the FIFO for writing: open(2) waits.
    for signal_number in SIGNALS:
        ws.stop_once(["-x", str(ws.fifo), *ws.small[2:]], signal_number,
                     sleeping_in("wait_for_partner"), f"reading X axys file '{ws.fifo}' (line 1)")


def case_reading_fifo(ws):
    # The writer has sent the header and two values, then stays silent with the FIFO open.
    for signal_number in SIGNALS:
        writer = os.open(ws.fifo, os.O_RDWR)
        try:
            os.write(writer, data_file(GRID, NODES_X[:2]))
            ws.stop_once(["-x", str(ws.fifo), *ws.small[2:]], signal_number,
                         sleeping_in("pipe_read"), f"reading X axys file '{ws.fifo}' (line 7)")
        finally:
            os.close(writer)


def case_writing(ws):
    big = big_grid(ws.root)
    for signal_number in SIGNALS:
        ws.stop_once(big, signal_number, writing_in(ws.out),
                     f"writing '{ws.shp}'")


if __name__ == "__main__":
    run_case(globals(), Workspace)
