#!/usr/bin/python3
"""Runs the real tesselar-convert on one kind of bad input and checks that it fails cleanly:
exit status 1, one readable line on stderr naming the file (and the line where one applies),
the earlier shapefile at the destination byte for byte as it was, and no temporary file left
beside it. A few inputs that look bad but are not (other line breaks, empty lines above the marker,
pipes, the smallest and largest sizes) must convert, and pyshp and ogrinfo read what they give.

    bad_inputs.py TESSELAR_CONVERT OGRINFO CASE

Exits 0 when the case passes, 1 when it fails and 77 when it cannot run here (CTest's skip).
"""

import contextlib
import os
import random
import resource
import socket
import subprocess
import sys
import tempfile
import threading
from pathlib import Path

import shapefile

CONVERT = ""
OGRINFO = ""
SKIPPED = 77
PROGRAM = b"tesselar-convert: "


class Skip(Exception):
    pass


def fail(what):
    raise AssertionError(what)


# --- Input files ------------------------------------------------------------------------------

# The standard job: a grid of 3 x 2 nodes at x = i - 1, y = j - 1, so its two cells span x 0 to 1
# and 1 to 2, with one attribute.
NODES_X = [0, 0, 1, 1, 2, 2]
NODES_Y = [0, 1, 0, 1, 0, 1]
CELL_VALUES = [12.5, -3.25]


def data_file(header, values, brk="\n"):
    lines = ["Nerasco test file", *header, "<BeginData>", *[str(v) for v in values]]
    return (brk.join(lines) + brk).encode("ascii")


class Workspace:
    """A temporary folder with the standard job's input files and an output folder holding an
    earlier shapefile (and a .prj the user put beside it)."""

    def __init__(self, root):
        self.root = Path(root)
        self.x = self.write("x.dat", data_file(["SIZE_I : 3", "SIZE_J : 2"], NODES_X))
        self.y = self.write("y.dat", data_file(["SIZE_I : 3", "SIZE_J : 2"], NODES_Y))
        self.attribute = self.write("temp.dat", data_file(["Temperature"], CELL_VALUES))
        self.out = self.root / "out"
        self.out.mkdir()
        place_earlier_shapefile(self.out)
        self.shp = self.out / "result.shp"

    def write(self, name, content):
        path = self.root / name
        path.write_bytes(content)
        return path

    def args(self, x=None, y=None, attribute=None, out=None, shape_type="polygon"):
        return ["-t", shape_type, "-x", str(x or self.x), "-y", str(y or self.y),
                "-a", f"Temp={attribute or self.attribute}", "-o", str(out or self.shp)]


def place_earlier_shapefile(folder, name="result"):
    for extension in ("shp", "shx", "dbf", "cpg", "prj"):
        (folder / f"{name}.{extension}").write_bytes(f"earlier {name}.{extension}\n".encode())


def snapshot(folder):
    """Every entry of the folder with its bytes (a folder as None); None when the folder does
    not exist."""
    if not folder.is_dir():
        return None
    return {entry.name: None if entry.is_dir() else entry.read_bytes()
            for entry in folder.iterdir()}


# --- Running the converter --------------------------------------------------------------------

def convert(args):
    result = subprocess.run([CONVERT, *args], capture_output=True, timeout=900, check=False)
    return result.returncode, result.stdout, result.stderr


def check_message(err, names, line, hints):
    shown = err.decode("utf-8", "backslashreplace")
    if not err.startswith(PROGRAM) or not err.endswith(b"\n") or err.count(b"\n") != 1:
        fail(f"expected one line 'tesselar-convert: ...' on stderr, got {shown!r}")
    unreadable = sorted({b for b in err[:-1] if (b < 0x20 and b != 0x09) or b == 0x7F})
    if unreadable:
        fail(f"the message holds raw control bytes {[hex(b) for b in unreadable]}, which cut it "
             f"short or garble the terminal: {shown!r}")
    for name in names:
        if str(name).encode() not in err:
            fail(f"the message does not name '{name}': {shown!r}")
    if line is not None and f"line {line}".encode() not in err:
        fail(f"the message does not name line {line}: {shown!r}")
    for hint in hints:
        if hint.lower().encode() not in err.lower():
            fail(f"the message gives no hint of '{hint}': {shown!r}")


def check_untouched(folder, before):
    after = snapshot(folder)
    if after != before:
        before, after = before or {}, after or {}
        changed = sorted(n for n in set(before) | set(after) if before.get(n) != after.get(n))
        fail(f"the output folder '{folder}' changed (created, removed, or temporary files "
             f"left?): files added, removed or changed: {changed}")


def expect_failure(args, names, line=None, hints=(), folder=None):
    """Runs the converter and checks that it fails cleanly."""
    out_folder = folder or Path(os.fsdecode(args[args.index("-o") + 1])).parent
    before = snapshot(out_folder)
    status, out, err = convert(args)
    if status != 1:
        fail(f"exit status {status}, expected 1; stdout {out!r}, stderr {err!r}")
    if out:
        fail(f"nothing is due on stdout after a failure, got {out!r}")
    check_message(err, names, line, hints)
    check_untouched(out_folder, before)


def expect_success(args):
    status, out, err = convert(args)
    if status != 0:
        fail(f"exit status {status}, expected 0; stderr {err!r}")
    return shapefile.Reader(args[args.index("-o") + 1])


def check_standard_job(reader):
    """The standard job's two cells, as pyshp reads them."""
    if reader.shapeType != shapefile.POLYGON or len(reader) != 2:
        fail(f"expected 2 polygons, read {len(reader)} shapes of type {reader.shapeType}")
    cells = sorted((tuple(shape.bbox), record["Temp"])
                   for shape, record in zip(reader.shapes(), reader.records()))
    expected = [((0.0, 0.0, 1.0, 1.0), 12.5), ((1.0, 0.0, 2.0, 1.0), -3.25)]
    if cells != expected:
        fail(f"cells read back as {cells}, expected {expected}")


def ogr_feature_count(path):
    info = subprocess.run([OGRINFO, "-ro", "-al", "-so", str(path)], capture_output=True,
                          text=True, check=True).stdout
    for line in info.splitlines():
        if line.startswith("Feature Count:"):
            return int(line.split(":")[1])
    fail(f"ogrinfo shows no feature count for '{path}':\n{info}")


# --- Root-proof ways to refuse access ---------------------------------------------------------

def is_root():
    return os.geteuid() == 0


@contextlib.contextmanager
def read_only_folder(folder):
    """Makes `folder` refuse new files, also to root: a read-only tmpfs mounted on it (its
    earlier files copied in first) or, where mounting is not allowed, the immutable attribute;
    for other users its permissions suffice."""
    if not is_root():
        folder.chmod(0o555)
        try:
            yield
        finally:
            folder.chmod(0o755)
        return
    files = snapshot(folder)
    if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=1m", "tmpfs", str(folder)],
                      capture_output=True, check=False).returncode == 0:
        try:
            for name, content in files.items():
                (folder / name).write_bytes(content)
            subprocess.run(["mount", "-o", "remount,ro", str(folder)], check=True)
            yield
        finally:
            subprocess.run(["umount", str(folder)], check=False)
        return
    if subprocess.run(["chattr", "+i", str(folder)], capture_output=True,
                      check=False).returncode == 0:
        try:
            yield
        finally:
            subprocess.run(["chattr", "-i", str(folder)], check=False)
        return
    raise Skip("running as root, and neither mount nor chattr may make a folder read-only here")


@contextlib.contextmanager
def small_disk(folder, size):
    """A tmpfs of `size` mounted on `folder`; skips where mounting is not allowed."""
    if subprocess.run(["mount", "-t", "tmpfs", "-o", f"size={size}", "tmpfs", str(folder)],
                      capture_output=True, check=False).returncode != 0:
        raise Skip("cannot mount a small tmpfs here (needs root and a sandbox that allows it)")
    try:
        yield
    finally:
        subprocess.run(["umount", str(folder)], check=False)


# --- The cases --------------------------------------------------------------------------------

def case_missing_file(ws):
    missing = ws.root / "missing.dat"
    expect_failure(ws.args(x=missing), ["X axys file", missing], hints=["No such file"])
    expect_failure(ws.args(y=missing), ["Y axys file", missing], hints=["No such file"])
    expect_failure(ws.args(attribute=missing), ["Attribute 'Temp'", missing],
                   hints=["No such file"])


def case_empty_file(ws):
    empty = ws.write("empty.dat", b"")
    expect_failure(ws.args(x=empty), ["X axys file", empty], hints=["SIZE_I"])
    expect_failure(ws.args(y=empty), ["Y axys file", empty])
    expect_failure(ws.args(attribute=empty), ["Attribute 'Temp'", empty])


def case_unreadable_file_permissions(ws):
    if is_root():
        raise Skip("root reads files whatever their permissions; see unreadable_file_read_error")
    ws.attribute.chmod(0)
    try:
        expect_failure(ws.args(), ["Attribute 'Temp'", ws.attribute], hints=["Permission denied"])
    finally:
        ws.attribute.chmod(0o644)


def case_unreadable_file_read_error(ws):
    # Opens as a regular file, but reading its first bytes fails (EIO), for root as well.
    unreadable = Path("/proc/self/mem")
    expect_failure(ws.args(x=unreadable), ["X axys file", unreadable], line=1)
    expect_failure(ws.args(attribute=unreadable), ["Attribute 'Temp'", unreadable], line=1)


def case_file_as_folder_in_path(ws):
    through_file = ws.x / "grid.dat"
    expect_failure(ws.args(x=through_file), [through_file], hints=["Not a directory"])
    expect_failure(ws.args(attribute=through_file), [through_file], hints=["Not a directory"])


def case_directory_path(ws):
    expect_failure(ws.args(x=ws.root), ["X axys file", ws.root], hints=["directory"])
    expect_failure(ws.args(y=ws.out), ["Y axys file", ws.out], hints=["directory"])
    expect_failure(ws.args(attribute=ws.root), ["Attribute 'Temp'", ws.root],
                   hints=["directory"])


def case_binary_file(ws):
    noise = ws.write("noise.dat", random.Random(20240517).randbytes(4096))
    expect_failure(ws.args(x=noise), ["X axys file", noise])


def case_nul_bytes(ws):
    # The grid size holds a NUL right after its digit: no number, and the whole message shows.
    nul = ws.write("nul.dat", b"SIZE_I : 3\0\nSIZE_J : 2\n<BeginData>\n" + b"0\n" * 6)
    expect_failure(ws.args(x=nul), ["X axys file", nul], line=1, hints=["SIZE_I"])


def case_line_of_100_mb(ws):
    path = ws.root / "long.dat"
    with path.open("wb") as long_file:
        long_file.write(b"SIZE_I : 3\nSIZE_J : 2\n<BeginData>\n")
        block = b"1234567890" * (1 << 20)
        for _ in range(10):
            long_file.write(block)
    expect_failure(ws.args(x=path), ["X axys file", path], line=4)
    expect_failure(ws.args(attribute=path), ["Attribute 'Temp'", path], line=4)


def case_cr_only_line_breaks(ws):
    x = ws.write("x_cr.dat", data_file(["SIZE_I : 3", "SIZE_J : 2"], NODES_X, "\r"))
    y = ws.write("y_cr.dat", data_file(["SIZE_I : 3", "SIZE_J : 2"], NODES_Y, "\r"))
    attribute = ws.write("temp_cr.dat", data_file(["Temperature"], CELL_VALUES, "\r"))
    check_standard_job(expect_success(ws.args(x=x, y=y, attribute=attribute)))


def case_mixed_line_breaks(ws):
    x = ws.write("x_mixed.dat", b"Nerasco\r\nSIZE_I : 3\rSIZE_J : 2\n<BeginData>\r\n"
                                b"0\r0\n1\r\n1\r2\n2")
    y = ws.write("y_mixed.dat", b"SIZE_I : 3\nSIZE_J : 2\r\n<BeginData>\r0\r\n1\r0\n1\r\n0\r1\r")
    attribute = ws.write("temp_mixed.dat", b"Temperature\r<BeginData>\n12.5\r\n-3.25")
    check_standard_job(expect_success(ws.args(x=x, y=y, attribute=attribute)))


def case_utf16_file(ws):
    text = data_file(["SIZE_I : 3", "SIZE_J : 2"], NODES_X).decode("ascii")
    for name, encoding in (("x_utf16.dat", "utf-16"), ("x_utf16be.dat", "utf-16-be"),
                           ("x_utf16le.dat", "utf-16-le")):
        # With a byte order mark, or without one as some tools write it.
        content = text.encode(encoding)
        if encoding == "utf-16-be":
            content = b"\xfe\xff" + content
        path = ws.write(name, content)
        expect_failure(ws.args(x=path), ["X axys file", path], hints=["UTF-16"])


def expect_sizes_refused(ws, texts):
    """Each text as the SIZE_I value (line 2) and as the SIZE_J value (line 3) is refused."""
    for text in texts:
        for header, keyword, line in (([f"SIZE_I : {text}", "SIZE_J : 2"], "SIZE_I", 2),
                                      (["SIZE_I : 3", f"SIZE_J : {text}"], "SIZE_J", 3)):
            x = ws.write("x_size.dat", data_file(header, NODES_X))
            expect_failure(ws.args(x=x), ["X axys file", x, keyword], line=line)


def case_size_not_a_number(ws):
    # "          7": the number begins 11 characters after the ":", beyond the value text.
    expect_sizes_refused(ws, ("abc", "3x", "", "          7", "0x10", "two"))


def case_size_negative_or_zero(ws):
    expect_sizes_refused(ws, ("-5", "0", "-32768", "0.4"))


def case_size_one(ws):
    # One row of nodes makes no cell: an empty polygon shapefile. One particle's size makes none.
    x = ws.write("x_one.dat", data_file(["SIZE_I : 1", "SIZE_J : 2"], [5, 6]))
    y = ws.write("y_one.dat", data_file(["SIZE_I : 1", "SIZE_J : 2"], [7, 8]))
    polygons = expect_success(ws.args(x=x, y=y))
    points_x = ws.write("px_one.dat", data_file(["SIZE_I : 1"], []))
    points = expect_success(ws.args(x=points_x, y=points_x, attribute=points_x,
                                    out=ws.out / "points.shp", shape_type="point"))
    for reader, shape_type in ((polygons, shapefile.POLYGON), (points, shapefile.POINT)):
        if reader.shapeType != shape_type or len(reader) != 0:
            fail(f"expected an empty shapefile of type {shape_type}, read {len(reader)} "
                 f"shapes of type {reader.shapeType}")
        if [field[0] for field in reader.fields[1:]] != ["Temp"]:
            fail(f"expected the column Temp, read {reader.fields[1:]}")
    for path in (ws.shp, ws.out / "points.shp"):
        if ogr_feature_count(path) != 0:
            fail(f"ogrinfo counts features in the empty '{path}'")


def case_size_32767(ws):
    # The largest grid along i: 32767 nodes (32766 cells), and the most particles, 32767.
    nodes = 32767
    x = ws.write("x_max.dat", data_file([f"SIZE_I : {nodes}", "SIZE_J : 2"],
                                        [i // 2 for i in range(2 * nodes)]))
    y = ws.write("y_max.dat", data_file([f"SIZE_I : {nodes}", "SIZE_J : 2"],
                                        [i % 2 for i in range(2 * nodes)]))
    attribute = ws.write("t_max.dat", data_file([], [i / 4 for i in range(nodes - 1)]))
    polygons = expect_success(ws.args(x=x, y=y, attribute=attribute))
    last = polygons.shapeRecord(nodes - 2)
    if len(polygons) != nodes - 1 or tuple(last.shape.bbox) != (nodes - 2, 0, nodes - 1, 1):
        fail(f"expected {nodes - 1} cells, the last spanning x {nodes - 2} to {nodes - 1}; "
             f"read {len(polygons)}, the last with box {last.shape.bbox}")

    particles = nodes + 1  # SIZE_I counts one more than the particles
    px = ws.write("px_max.dat", data_file([f"SIZE_I : {particles}"], range(nodes)))
    points = expect_success(ws.args(x=px, y=px, attribute=px, out=ws.out / "points.shp",
                                    shape_type="point"))
    last = points.shapeRecord(nodes - 1)
    if len(points) != nodes or list(last.shape.points[0]) != [nodes - 1, nodes - 1] or \
            last.record["Temp"] != nodes - 1:
        fail(f"expected {nodes} points, the last at {nodes - 1}; read {len(points)}, the last "
             f"at {last.shape.points} with {last.record}")


def case_size_32768_and_larger(ws):
    expect_sizes_refused(ws, ("32768", "40000", "1e9", "99999999999"))
    px = ws.write("px_big.dat", data_file(["SIZE_I : 32769"], range(10)))
    expect_failure(ws.args(x=px, y=px, attribute=px, shape_type="point"),
                   ["X axys file", px, "SIZE_I"], line=2)


def case_huge_grid_in_short_file(ws):
    # Sizes that ask for hundreds of megabytes of coordinates, in files of a few lines: the
    # conversion must end at the missing values without having taken that memory.
    # 32767 x 400 fits the format's limits and fails at the end of the values; 32767 x 32767
    # does not fit and is refused from its sizes.
    x = ws.write("x_huge.dat", data_file(["SIZE_I : 32767", "SIZE_J : 400"], [1, 2]))
    expect_failure(ws.args(x=x, y=x, attribute=x), ["X axys file", x])
    x = ws.write("x_huge.dat", data_file(["SIZE_I : 32767", "SIZE_J : 32767"], [1, 2]))
    expect_failure(ws.args(x=x, y=x, attribute=x), [])
    peak_mb = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss / 1024
    if peak_mb >= 200:
        fail(f"the converter took {peak_mb:.0f} MB before failing on a file of a few lines")


def case_output_beyond_2_gb(ws):
    # 32767 x 500 nodes make 16.3 million polygons of 136 bytes: a .shp beyond 2 GB. Refused
    # from the sizes alone, before any value is read: the files hold none. The message names
    # the file whose sizes ask for it.
    x = ws.write("x_2gb.dat", b"SIZE_I : 32767\nSIZE_J : 500\n")
    expect_failure(ws.args(x=x, y=x, attribute=x), ["X axys file", x], hints=["2147483647"])


def case_output_folder_missing(ws):
    folder = ws.root / "no such folder"
    expect_failure(ws.args(out=folder / "result.shp"), [folder], folder=folder)


def case_output_folder_is_a_file(ws):
    expect_failure(ws.args(out=ws.x / "result.shp"), [ws.x], hints=["Not a directory"],
                   folder=ws.root)


def case_output_folder_read_only(ws):
    with read_only_folder(ws.out):
        expect_failure(ws.args(), [ws.out])


def case_disk_full(ws):
    # A 30 x 30 grid writes about 120 KB of polygons on a disk of 64 KB.
    nodes = [(i, j) for i in range(30) for j in range(30)]
    header = ["SIZE_I : 30", "SIZE_J : 30"]
    x = ws.write("x_full.dat", data_file(header, [i for i, _ in nodes]))
    y = ws.write("y_full.dat", data_file(header, [j for _, j in nodes]))
    attribute = ws.write("t_full.dat", data_file([], [0.5] * (29 * 29)))
    disk = ws.root / "small disk"
    disk.mkdir()
    with small_disk(disk, "64k"):
        place_earlier_shapefile(disk)
        expect_failure(ws.args(x=x, y=y, attribute=attribute, out=disk / "result.shp"),
                       [disk / "result."], hints=["No space left on device"])


def case_empty_lines_above_marker(ws):
    # The values follow the "<BeginData>" line however many empty lines stand above it; an
    # empty first line included.
    x = ws.write("x_gap.dat", data_file(["SIZE_I : 3", "SIZE_J : 2", ""], NODES_X))
    y = ws.write("y_gap.dat", b"\n" + data_file(["", ""], NODES_Y))
    attribute = ws.write("t_gap.dat", b"\n\n<BeginData>\n12.5\n-3.25\n")
    check_standard_job(expect_success(ws.args(x=x, y=y, attribute=attribute)))
    # Without a marker line, nothing is converted.
    no_marker = ws.write("t_none.dat", b"Temperature\n\n12.5\n-3.25\n")
    expect_failure(ws.args(attribute=no_marker), ["Attribute 'Temp'", no_marker],
                   hints=['no "<BeginData>" line'])


def case_size_keyword_not_in_header(ws):
    # A size comes from its own keyword line above the first empty line and the marker line,
    # never from another line: not from the line above the empty line, not from the last value.
    for content, keyword, line, where in (
            (b"SIZE_I : 3\n\nSIZE_J : 2\n<BeginData>\n", "SIZE_J", 2, "empty line"),
            (b"SIZE_I : 3\n<BeginData>\n0\n0\n1\n1\n2\n2\n", "SIZE_J", 2, "<BeginData>"),
            (b"title: 3\n\nSIZE_I : 3\nSIZE_J : 2\n<BeginData>\n", "SIZE_I", 2, "empty line")):
        x = ws.write("x_keyword.dat", content + b"0\n" * 6)
        expect_failure(ws.args(x=x), ["X axys file", x, f'no "{keyword}" line'], line=line,
                       hints=[where])


def large_grid_files():
    """X, Y and attribute files of a grid of 120 x 80 nodes: each of them larger than a pipe's
    buffer, so that a reader gets them in many pieces."""
    header = ["SIZE_I : 120", "SIZE_J : 80"]
    nodes = [(i, j) for i in range(120) for j in range(80)]
    return (data_file(header, [f"{512000 + 25.125 * i + j:.3f}" for i, j in nodes]),
            data_file(header, [f"{6200000 - 12.5 * j + i / 8:.3f}" for i, j in nodes]),
            data_file(["Temperature"], [f"{(i * 79 + j) % 997 / 7:.4f}" for i in range(119)
                                        for j in range(79)]))


class Feed:
    """One input written by a thread into a FIFO, or into a pipe that the converter reads as
    /dev/fd/N (as the shell's <(zcat t.dat.gz) hands it over)."""

    def __init__(self, content, fifo=None):
        self.content = content
        self.fifo = fifo
        if fifo:
            os.mkfifo(fifo)
            self.path, self.read_end = str(fifo), None
        else:
            self.read_end, self.write_end = os.pipe()
            self.path = f"/dev/fd/{self.read_end}"
        self.thread = threading.Thread(target=self.write)
        self.thread.start()

    def write(self):
        with contextlib.suppress(BrokenPipeError):
            if self.fifo:
                self.fifo.write_bytes(self.content)  # opens once a reader opens the FIFO
            else:
                with os.fdopen(self.write_end, "wb") as out:
                    out.write(self.content)

    def finish(self):
        if self.fifo:  # a FIFO the converter never opened keeps its writer waiting
            with contextlib.suppress(OSError):
                os.close(os.open(self.fifo, os.O_RDONLY | os.O_NONBLOCK))
        self.thread.join()


def convert_with_feeds(args, feeds, stdin=None):
    """Runs the converter reading `feeds` and, as its standard input, `stdin`."""
    pipes = [feed.read_end for feed in feeds if feed.read_end is not None]
    process = subprocess.Popen([CONVERT, *args], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE, pass_fds=pipes)
    for read_end in pipes:  # the converter's copy is then the only reader left
        os.close(read_end)
    try:
        out, err = process.communicate(input=stdin, timeout=120)
    except subprocess.TimeoutExpired:
        process.kill()
        out, err = process.communicate()
        err += b" (timed out: was an input opened twice?)"
    for feed in feeds:
        feed.finish()
    return process.returncode, out, err


def case_pipes_and_fifos(ws):
    # A FIFO, a pipe and standard input give the very bytes of the shapefile that regular files
    # holding the same text give.
    contents = dict(zip(("x", "y", "t"), large_grid_files()))
    files = {role: ws.write(f"{role}_large.dat", content) for role, content in contents.items()}
    reference = ws.out / "reference.shp"
    expect_success(["-x", str(files["x"]), "-y", str(files["y"]), "-a", f"Temp={files['t']}",
                    "-o", str(reference)])
    for name, through in (("x_fifo", {"x": "fifo"}), ("y_pipe", {"y": "pipe"}),
                          ("t_pipe", {"t": "pipe"}), ("t_stdin", {"t": "stdin"}),
                          ("all", {"x": "pipe", "y": "fifo", "t": "fifo"})):
        paths = {role: str(path) for role, path in files.items()}
        feeds, stdin = [], None
        for role, kind in through.items():
            if kind == "stdin":
                paths[role], stdin = "/dev/stdin", contents[role]
                continue
            feeds.append(Feed(contents[role], ws.root / f"{name}_{role}" if kind == "fifo"
                              else None))
            paths[role] = feeds[-1].path
        shp = ws.out / f"{name}.shp"
        status, _, err = convert_with_feeds(
            ["-x", paths["x"], "-y", paths["y"], "-a", f"Temp={paths['t']}", "-o", str(shp)],
            feeds, stdin)
        if status != 0:
            fail(f"{name}: exit status {status}, expected 0; stderr {err!r}")
        for extension in ("shp", "shx", "dbf", "cpg"):
            got = shp.with_suffix(f".{extension}").read_bytes()
            want = reference.with_suffix(f".{extension}").read_bytes()
            if extension == "dbf":  # the date of the last change: bytes 1 to 3
                got, want = got[:1] + got[4:], want[:1] + want[4:]
            if got != want:
                fail(f"{name}: the .{extension} differs from the one converted from regular "
                     f"files")
        if len(shapefile.Reader(str(shp))) != 119 * 79:
            fail(f"{name}: pyshp does not read {119 * 79} cells")


def case_devices_and_sockets(ws):
    # Character devices give no text that ends (/dev/zero) or none at all (/dev/null); a socket
    # is no file to read.
    for args, names in ((ws.args(x="/dev/zero"), ["X axys file", "/dev/zero"]),
                        (ws.args(y="/dev/null"), ["Y axys file", "/dev/null"]),
                        (ws.args(attribute="/dev/null"), ["Attribute 'Temp'", "/dev/null"])):
        expect_failure(args, names, hints=["is a character device, not a text file"])
    with socket.socket(socket.AF_UNIX) as listening:
        path = ws.root / "socket"
        listening.bind(str(path))
        expect_failure(ws.args(attribute=path), ["Attribute 'Temp'", path],
                       hints=["is a socket, not a text file"])


def two_attribute_args(ws, names):
    first = ws.write("first.dat", data_file([], [1.5, 2.5]))
    second = ws.write("second.dat", data_file([], [-7, -8]))
    return ["-x", str(ws.x), "-y", str(ws.y), "-a", names[0] + b"=" + bytes(first),
            "-a", names[1] + b"=" + bytes(second), "-o", str(ws.shp)]


def case_column_names_that_fit(ws):
    # A name that fits in 10 bytes keeps its text; a longer one is shortened around it, never
    # into it: each value is read back under its own attribute's name.
    reader = expect_success(two_attribute_args(ws, [b"Temperature_surface", b"Temperatur"]))
    columns = [field[0] for field in reader.fields[1:]]
    if columns != ["Temperat_1", "Temperatur"]:
        fail(f"expected the columns Temperat_1 and Temperatur, read {columns}")
    values = [(record["Temperat_1"], record["Temperatur"]) for record in reader.records()]
    if values != [(1.5, -7.0), (2.5, -8.0)]:
        fail(f"the columns hold {values}, expected [(1.5, -7.0), (2.5, -8.0)]")


def case_attribute_name_not_a_column_name(ws):
    # Control characters and bytes that are no UTF-8 are refused before any file is read.
    for name, shown, hint in ((b"Te\tmp", "Te\\x09mp", "control character"),
                              (b"T\nx", "T\\x0Ax", "control character"),
                              (b"\x1b[31mred", "\\x1B[31mred", "control character"),
                              (b"Caf\xe9", "Caf\\xE9", "not UTF-8")):
        expect_failure(two_attribute_args(ws, [b"Depth", name]), [f"Attribute '{shown}'"],
                       hints=[hint])


CASES = {name[len("case_"):]: case for name, case in globals().items()
         if name.startswith("case_")}


def main():
    global CONVERT, OGRINFO
    if len(sys.argv) != 4 or sys.argv[3] not in CASES:
        sys.exit(f"usage: bad_inputs.py TESSELAR_CONVERT OGRINFO CASE\ncases: {', '.join(CASES)}")
    CONVERT, OGRINFO, case = sys.argv[1:]
    with tempfile.TemporaryDirectory(prefix="tesselar-robustness-") as root:
        try:
            CASES[case](Workspace(root))
        except Skip as skip:
            print(f"{case}: skipped: {skip}")
            sys.exit(SKIPPED)
        except AssertionError as error:
            print(f"{case}: FAILED: {error}")
            sys.exit(1)
    print(f"{case}: passed")


if __name__ == "__main__":
    main()
