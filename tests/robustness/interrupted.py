#!/usr/bin/python3
"""Stops the real tesselar-convert with SIGINT, SIGTERM and SIGHUP at one moment of its work:
while it waits to open a FIFO no program writes to, while it waits for data from a FIFO whose
writer stays silent, or while it writes a large grid. Each time it must exit with 128 plus the
signal's number, say on stderr that it was interrupted, and leave the earlier shapefile at the
destination byte for byte as it was (pyshp still reads it) with no file of its own.

    interrupted.py TESSELAR_CONVERT MOMENT

Exits 0 when the moment passes for every signal, 1 when it fails.
"""

import os
import signal
import subprocess
import sys
import tempfile
import time
from pathlib import Path

import shapefile

from bad_inputs import CELL_VALUES, NODES_X, NODES_Y, data_file, fail, snapshot
from destination import wait_until_writing

SIGNALS = (signal.SIGINT, signal.SIGTERM, signal.SIGHUP)
HEADER = ["SIZE_I : 3", "SIZE_J : 2"]


def wait_until_catching(pid, signal_number):
    """Waits until the process has its handler for the signal installed."""
    while True:
        with open(f"/proc/{pid}/status", encoding="ascii") as status:
            caught = next(line for line in status if line.startswith("SigCgt:"))
        if int(caught.split()[1], 16) & (1 << (signal_number - 1)):
            return
        time.sleep(0.001)


def sleeping_in(kernel_function):
    """A wait until the process sleeps in the kernel function named (as /proc shows it), or,
    where the kernel does not show it, in any."""
    def wait(pid):
        while True:
            with open(f"/proc/{pid}/wchan", encoding="ascii") as wchan:
                where = wchan.read()
            with open(f"/proc/{pid}/stat", encoding="ascii") as stat:
                sleeping = stat.read().split(") ")[1].startswith("S")
            if sleeping and (kernel_function in where or where == "0"):
                return
            time.sleep(0.001)
    return wait


class Workspace:
    def __init__(self, root):
        self.root = Path(root)
        self.out = self.root / "out"
        self.out.mkdir()
        self.shp = self.out / "result.shp"
        self.fifo = self.root / "x.fifo"
        os.mkfifo(self.fifo)
        x = self.write("x.dat", data_file(HEADER, NODES_X))
        y = self.write("y.dat", data_file(HEADER, NODES_Y))
        t = self.write("t.dat", data_file([], CELL_VALUES))
        self.small = ["-x", str(x), "-y", str(y), "-a", f"Temp={t}"]

    def write(self, name, content):
        path = self.root / name
        path.write_bytes(content)
        return path

    def big_grid(self):
        nodes = 1000
        x = self.write("big_x.dat", data_file([f"SIZE_I : {nodes}", f"SIZE_J : {nodes}"],
                                              [n // nodes for n in range(nodes * nodes)]))
        t = self.write("big_t.dat", data_file([], ["1.5"] * (nodes - 1) ** 2))
        return ["-x", str(x), "-y", str(x), "-a", f"Temp={t}"]


def stop_once(ws, args, signal_number, wait, expected_text):
    earlier = snapshot(ws.out)
    converter = subprocess.Popen([ws.convert, "-q", *args, "-o", str(ws.shp)],
                                 stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    wait_until_catching(converter.pid, signal_number)
    wait(converter.pid)
    converter.send_signal(signal_number)
    out, err = converter.communicate(timeout=60)
    name = signal.Signals(signal_number).name
    if converter.returncode != 128 + signal_number:
        fail(f"{name}: exit status {converter.returncode}, expected {128 + signal_number}; "
             f"stderr {err!r}")
    expected = f"tesselar-convert: interrupted by {name} while {expected_text}"
    if out or not err.decode().startswith(expected) or err.count(b"\n") != 1:
        fail(f"{name}: expected one line '{expected}...' on stderr and nothing on stdout, got "
             f"{err!r} and {out!r}")
    if snapshot(ws.out) != earlier:
        fail(f"{name}: the output folder changed: {sorted(snapshot(ws.out))}")
    with shapefile.Reader(str(ws.shp)) as reader:
        if [record["Temp"] for record in reader.records()] != CELL_VALUES:
            fail(f"{name}: the earlier shapefile no longer reads as it was")


def moment_opening_fifo(ws):
    # No program opens the FIFO for writing: open(2) waits.
    for signal_number in SIGNALS:
        stop_once(ws, ["-x", str(ws.fifo), *ws.small[2:]], signal_number,
                  sleeping_in("wait_for_partner"), f"reading X axys file '{ws.fifo}' (line 1)")


def moment_reading_fifo(ws):
    # The writer has sent the header and two values, then stays silent with the FIFO open.
    for signal_number in SIGNALS:
        writer = os.open(ws.fifo, os.O_RDWR)
        try:
            os.write(writer, data_file(HEADER, NODES_X[:2]))
            stop_once(ws, ["-x", str(ws.fifo), *ws.small[2:]], signal_number,
                      sleeping_in("pipe_read"), f"reading X axys file '{ws.fifo}' (line 7)")
        finally:
            os.close(writer)


def moment_writing(ws):
    big = ws.big_grid()
    for signal_number in SIGNALS:
        stop_once(ws, big, signal_number, lambda pid: wait_until_writing(pid, ws.out),
                  f"writing '{ws.shp}'")


MOMENTS = {name[len("moment_"):]: moment for name, moment in globals().items()
           if name.startswith("moment_")}


def main():
    if len(sys.argv) != 3 or sys.argv[2] not in MOMENTS:
        sys.exit(f"usage: interrupted.py TESSELAR_CONVERT MOMENT\nmoments: {', '.join(MOMENTS)}")
    convert, moment = sys.argv[1:]
    with tempfile.TemporaryDirectory(prefix="tesselar-interrupted-") as root:
        ws = Workspace(root)
        ws.convert = convert
        subprocess.run([convert, "-q", *ws.small, "-o", str(ws.shp)], check=True)
        try:
            MOMENTS[moment](ws)
        except AssertionError as error:
            print(f"{moment}: FAILED: {error}")
            sys.exit(1)
    print(f"{moment}: passed")


if __name__ == "__main__":
    main()
