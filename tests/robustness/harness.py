"""What the scripts that run the real programs share: input files as the modelling system writes
them, the standard two-cell job, running tesselar-convert, reading its output with pyshp and
ogrinfo, watching a process through /proc, a test case with a folder of its own, and running one
named case of a script."""

import contextlib
import os
import re
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path

import shapefile

SKIPPED = 77  # CTest's skip
PROGRAM = "tesselar-convert: "

# The standard job: a grid of 3 x 2 nodes at x = i - 1, y = j - 1, so its two cells span x 0 to 1
# and 1 to 2, with one attribute.
GRID = ["SIZE_I : 3", "SIZE_J : 2"]
NODES_X = [0, 0, 1, 1, 2, 2]
NODES_Y = [0, 1, 0, 1, 0, 1]
CELL_VALUES = [12.5, -3.25]


class Skip(Exception):
    pass


class FolderTestCase(unittest.TestCase):
    """A test with a new folder of its own, self.folder, removed after it."""

    def setUp(self):
        temporary = tempfile.TemporaryDirectory()
        self.addCleanup(temporary.cleanup)
        self.folder = Path(temporary.name)


def fail(what):
    raise AssertionError(what)


def data_file(header, values, brk="\n"):
    lines = ["Nerasco test file", *header, "<BeginData>", *[str(v) for v in values]]
    return (brk.join(lines) + brk).encode("ascii")


def write(path, header, values, brk="\n"):
    path.write_bytes(data_file(header, values, brk))
    return path


def job(folder, name="", x_offset=0, values=CELL_VALUES):
    """The standard job's files in `folder`, the cells shifted by `x_offset`: its arguments."""
    x = write(folder / f"{name}x.dat", GRID, [v + x_offset for v in NODES_X])
    y = write(folder / f"{name}y.dat", GRID, NODES_Y)
    t = write(folder / f"{name}t.dat", ["Temperature"], values)
    return ["-x", str(x), "-y", str(y), "-a", f"Temp={t}"]


def big_grid(folder, nodes=1000):
    """A grid of nodes x nodes that takes a while to convert: its arguments."""
    x = write(folder / "big_x.dat", [f"SIZE_I : {nodes}", f"SIZE_J : {nodes}"],
              [n // nodes for n in range(nodes * nodes)])
    t = write(folder / "big_t.dat", [], ["1.5"] * (nodes - 1) ** 2)
    return ["-x", str(x), "-y", str(x), "-a", f"Temp={t}"]


def run(program, *arguments, **options):
    """Runs the program; the result with stdout and stderr as text unless told otherwise."""
    options = {"text": True, "timeout": 900, **options}
    arguments = [a if isinstance(a, bytes) else str(a) for a in arguments]
    return subprocess.run([program, *arguments], capture_output=True, check=False, **options)


def cells(shp):
    """The (lowest x, first value) of each cell or point of the shapefile, as pyshp reads it."""
    with shapefile.Reader(str(shp)) as reader:
        return [(round(min(point[0] for point in shape.points)), record[0])
                for shape, record in zip(reader.shapes(), reader.records())]


def ogr_summary(ogrinfo, path):
    return subprocess.run([ogrinfo, "-ro", "-so", "-al", str(path)], capture_output=True,
                          text=True, check=True).stdout


def snapshot(folder):
    """Every entry of the folder with its bytes (a folder as None); None when the folder does
    not exist."""
    if not folder.is_dir():
        return None
    return {entry.name: None if entry.is_dir() else entry.read_bytes()
            for entry in folder.iterdir()}


def fault_shim(**variables):
    """The environment that preloads the fault shim into tesselar-convert, with its
    TESSELAR_SHIM_ variables (no_nameless_files=1 ... ; see FaultShim.cpp)."""
    shim = os.environ.get("TESSELAR_FAULT_SHIM")
    if not shim:
        raise Skip("TESSELAR_FAULT_SHIM does not name the fault shim")
    environment = {**os.environ, "LD_PRELOAD": shim,
                   # A sanitizer runtime then comes after the shim: let it start anyway.
                   "ASAN_OPTIONS": os.environ.get("ASAN_OPTIONS", "") + ":verify_asan_link_order=0"}
    environment.update({f"TESSELAR_SHIM_{name.upper()}": str(value)
                        for name, value in variables.items()})
    return environment


def hidden(folder):
    """The names of the hidden files in the folder."""
    return {entry.name for entry in folder.iterdir() if entry.name.startswith(".")}


def proc(pid, entry):
    with open(f"/proc/{pid}/{entry}", encoding="ascii") as text:
        return text.read()


def wait_until(pid, ready):
    """Polls the process until ready(pid) holds: True; False when the process ends first."""
    while not ready(pid):
        if proc(pid, "stat").split(") ")[1].startswith("Z"):
            return False
        time.sleep(0.001)
    return True


def wait_until_catching(pid, signal_number):
    """Waits until the process has its handler for the signal installed."""
    def catching(pid):
        caught = re.search(r"^SigCgt:\s*(\w+)", proc(pid, "status"), re.M)[1]
        return int(caught, 16) & (1 << (signal_number - 1))
    wait_until(pid, catching)


def writing_in(folder):
    """Whether the process has a file of `folder` open."""
    def writing(pid):
        for descriptor in os.listdir(f"/proc/{pid}/fd"):
            with contextlib.suppress(FileNotFoundError):  # closed meanwhile
                if os.readlink(f"/proc/{pid}/fd/{descriptor}").startswith(f"{folder}/"):
                    return True
        return False
    return writing


def run_case(script_globals, make_workspace):
    """Runs the case named by the last argument (a function `case_NAME` of the script) in a
    workspace on a temporary folder; the arguments before it are the programs it runs. Exits 0
    when it passes, 1 when it fails and 77 when it cannot run here."""
    cases = {name[5:]: case for name, case in script_globals.items() if name.startswith("case_")}
    if len(sys.argv) < 3 or sys.argv[-1] not in cases:
        sys.exit(f"usage: {sys.argv[0]} PROGRAMS... CASE\ncases: {', '.join(cases)}")
    case = sys.argv[-1]
    with tempfile.TemporaryDirectory(prefix="tesselar-") as root:
        try:
            cases[case](make_workspace(Path(root), *sys.argv[1:-1]))
        except Skip as skip:
            print(f"{case}: skipped: {skip}")
            sys.exit(SKIPPED)
        except AssertionError as error:
            print(f"{case}: FAILED: {error}")
            sys.exit(1)
    print(f"{case}: passed")
