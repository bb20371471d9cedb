#!/usr/bin/python3
"""Stops the real tesselar-convert with SIGINT, SIGTERM and SIGHUP at one moment of its work:
while it waits to open a FIFO no program writes to, while it waits for data from a FIFO whose
writer stays silent, while it waits for another program to release the output folder, or while
it writes a large grid (also when the same signal comes again as it removes its files). Each
time it must exit with 128 plus the signal's number, say on stderr that it was interrupted, and
leave the earlier shapefile at the destination byte for byte as it was (pyshp still reads it)
with no file of its own. A signal as it ends, once the new shapefile is in place, changes
nothing: it exits 0.

    interrupted.py TESSELAR_CONVERT CASE
"""

import fcntl
import os
import re
import signal
import subprocess

from harness import (CELL_VALUES, GRID, NODES_X, big_grid, cells, data_file, fail,
                     fault_shim, job, proc, run, run_case, snapshot, wait_until,
                     wait_until_catching, writing_in)

SIGNALS = (signal.SIGINT, signal.SIGTERM, signal.SIGHUP)


def sleeping_in(kernel_function):
    """Whether the process sleeps in the kernel function named (as /proc shows it), or, where
    the kernel does not show it, in any."""
    return lambda pid: proc(pid, "stat").split(") ")[1].startswith("S") and (
        kernel_function in proc(pid, "wchan") or proc(pid, "wchan") == "0")


def waiting_for_a_lock(pid):
    """Whether the process waits for a lock (flock), as /proc/locks lists it."""
    with open("/proc/locks", encoding="ascii") as locks:
        return any(fields[1:3] == ["->", "FLOCK"] and fields[5] == str(pid)
                   for fields in map(str.split, locks))


def delivered(signal_number):
    """Whether the signal, once sent to the process, is no longer pending: its handler ran."""
    def no_longer_pending(pid):
        status = proc(pid, "status")
        pending = (int(re.search(rf"^{kind}:\s*(\w+)", status, re.M)[1], 16)
                   for kind in ("SigPnd", "ShdPnd"))
        return not any(mask & (1 << (signal_number - 1)) for mask in pending)
    return no_longer_pending


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

    def stop_once(self, args, signal_number, wait, expected_text, env=None, release=None):
        """Sends the signal once `wait` holds. With `release`, what ends the wait: called if
        the converter goes on waiting after the signal, and the case fails."""
        earlier = snapshot(self.out)
        converter = subprocess.Popen([self.convert, "-q", *args, "-o", str(self.shp)],
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=env)
        wait_until_catching(converter.pid, signal_number)
        wait_until(converter.pid, wait)
        converter.send_signal(signal_number)
        name = signal.Signals(signal_number).name
        if release is not None and wait_until(
                converter.pid, lambda pid: delivered(signal_number)(pid) and wait(pid)):
            release()
            converter.communicate(timeout=60)
            fail(f"{name}: the converter went on waiting; once let go it exited with "
                 f"{converter.returncode}, the output folder holding {sorted(snapshot(self.out))}")
        out, err = converter.communicate(timeout=60)
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


def case_waiting_for_the_lock(ws):
    # Another program holds the lock of the output folder, as `flock out sleep 6` does.
    for signal_number in SIGNALS:
        folder = os.open(ws.out, os.O_RDONLY | os.O_DIRECTORY)
        try:
            fcntl.flock(folder, fcntl.LOCK_EX)
            ws.stop_once(ws.small, signal_number, waiting_for_a_lock,
                         f"waiting for the lock of the folder '{ws.out}'",
                         release=lambda: fcntl.flock(folder, fcntl.LOCK_UN))
        finally:
            os.close(folder)


def case_repeated_signal(ws):
    # Written under hidden names (nameless files refused), the conversion is stopped, and the
    # same signal comes again as it removes the first of them: it still removes them all.
    big = big_grid(ws.root)
    for signal_number in SIGNALS:
        ws.stop_once(big, signal_number, writing_in(ws.out), f"writing '{ws.shp}'",
                     env=fault_shim(no_nameless_files=1, signal_on_remove=signal_number))


def case_signal_at_exit(ws):
    # The signal arrives after main returned, the new shapefile in place: the status says so.
    for signal_number in SIGNALS:
        name = signal.Signals(signal_number).name
        values = [float(signal_number), 0.5]
        result = run(ws.convert, *job(ws.root, "new_", 0, values), "-o", ws.shp, "--crs", "none",
                     env=fault_shim(signal_at_exit=signal_number))
        if result.returncode != 0 or result.stderr or "created with success" not in result.stdout:
            fail(f"{name} at exit: status {result.returncode}, stdout {result.stdout!r}, "
                 f"stderr {result.stderr!r}; expected 0 and the success line")
        if [v for _, v in cells(ws.shp)] != values:
            fail(f"{name} at exit: the new shapefile is not in place: {cells(ws.shp)}")


if __name__ == "__main__":
    run_case(globals(), Workspace)
