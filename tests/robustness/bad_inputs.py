#!/usr/bin/python3
"""Runs the real tesselar-convert on one kind of bad input and checks that it fails cleanly:
exit status 1, one readable line on stderr naming the file (and the line where one applies),
the earlier shapefile at the destination byte for byte as it was, and no temporary file left
beside it. Inputs that look bad but are not (other line breaks, empty lines above the marker,
pipes, the smallest and largest sizes) must convert, and pyshp and ogrinfo read what they give.

    bad_inputs.py TESSELAR_CONVERT OGRINFO CASE
"""

import contextlib
import os
import random
import resource
import socket
import subprocess
from pathlib import Path

import shapefile

from harness import (CELL_VALUES, GRID, NODES_X, NODES_Y, PROGRAM, Skip, cells, data_file, fail,
                     ogr_summary, run, run_case, snapshot, write)


class Workspace:
    """The standard job's input files and an output folder holding an earlier shapefile (and a
    .prj the user put beside it)."""

    def __init__(self, root, convert, ogrinfo):
        self.root, self.convert, self.ogrinfo = root, convert, ogrinfo
        self.x = write(root / "x.dat", GRID, NODES_X)
        self.y = write(root / "y.dat", GRID, NODES_Y)
        self.attribute = write(root / "temp.dat", ["Temperature"], CELL_VALUES)
        self.out = root / "out"
        self.out.mkdir()
        place_earlier_shapefile(self.out)
        self.shp = self.out / "result.shp"

    def write(self, name, content):
        (self.root / name).write_bytes(content)
        return self.root / name

    def args(self, x=None, y=None, attribute=None, out=None, shape_type="polygon"):
        return ["-t", shape_type, "-x", str(x or self.x), "-y", str(y or self.y),
                "-a", f"Temp={attribute or self.attribute}", "-o", str(out or self.shp)]

    def expect_failure(self, args, names, line=None, hints=(), folder=None):
        """Runs the converter and checks that it fails cleanly."""
        folder = folder or Path(os.fsdecode(args[args.index("-o") + 1])).parent
        before = snapshot(folder)
        result = run(self.convert, *args, text=False)
        out, err = result.stdout, result.stderr
        if result.returncode != 1 or out:
            fail(f"exit status {result.returncode} and stdout {out!r}, expected 1 and nothing; "
                 f"stderr {err!r}")
        shown = err.decode("utf-8", "backslashreplace")
        if not shown.startswith(PROGRAM) or not err.endswith(b"\n") or err.count(b"\n") != 1:
            fail(f"expected one line 'tesselar-convert: ...' on stderr, got {shown!r}")
        if any((b < 0x20 and b != 0x09) or b == 0x7F for b in err[:-1]):
            fail(f"the message holds raw control bytes, which garble the terminal: {shown!r}")
        for text in [*map(str, names), *([f"line {line}"] if line else []), *hints]:
            if text.lower() not in shown.lower():
                fail(f"the message does not name '{text}': {shown!r}")
        if snapshot(folder) != before:
            fail(f"the output folder '{folder}' changed (temporary files left?)")

    def expect_success(self, args, **options):
        result = run(self.convert, *args, **options)
        if result.returncode != 0:
            fail(f"exit status {result.returncode}, expected 0; stderr {result.stderr!r}")
        return Path(args[args.index("-o") + 1])


def place_earlier_shapefile(folder, name="result"):
    for extension in ("shp", "shx", "dbf", "cpg", "prj"):
        (folder / f"{name}.{extension}").write_bytes(f"earlier {name}.{extension}\n".encode())


def check_standard_job(shp):
    """The standard job's two cells, as pyshp reads them."""
    if cells(shp) != [(0, 12.5), (1, -3.25)]:
        fail(f"cells read back as {cells(shp)}, expected [(0, 12.5), (1, -3.25)]")


def case_not_a_readable_file(ws):
    missing, through_file = ws.root / "missing.dat", ws.x / "grid.dat"
    with socket.socket(socket.AF_UNIX) as listening:
        listening.bind(str(ws.root / "socket"))
        for role, path, hint in (
                ("x", missing, "No such file"), ("y", missing, "No such file"),
                ("attribute", missing, "No such file"), ("x", through_file, "Not a directory"),
                ("x", ws.root, "directory"), ("y", ws.out, "directory"),
                ("attribute", ws.root, "directory"),
                ("x", "/dev/zero", "is a character device, not a text file"),
                ("attribute", "/dev/null", "is a character device, not a text file"),
                ("attribute", ws.root / "socket", "is a socket, not a text file"),
                ("x", Path("/proc/self/mem"), "line 1")):  # opens, but reading fails (EIO)
            named = {"x": "X axys file", "y": "Y axys file", "attribute": "Attribute 'Temp'"}
            ws.expect_failure(ws.args(**{role: path}), [named[role], path], hints=[hint])
    if os.geteuid() != 0:  # root reads files whatever their permissions
        ws.attribute.chmod(0)
        ws.expect_failure(ws.args(), [ws.attribute], hints=["Permission denied"])


def case_unreadable_content(ws):
    text = data_file(GRID, NODES_X).decode("ascii")
    for content, hints, line in (
            (b"", ["SIZE_I"], None),
            (random.Random(20240517).randbytes(4096), [], None),
            # The grid size holds a NUL right after its digit: no number, and the whole message
            # shows.
            (b"SIZE_I : 3\0\nSIZE_J : 2\n<BeginData>\n" + b"0\n" * 6, ["SIZE_I"], 1),
            # UTF-16 with a byte order mark, or without one as some tools write it.
            (text.encode("utf-16"), ["UTF-16"], None),
            (b"\xfe\xff" + text.encode("utf-16-be"), ["UTF-16"], None),
            (text.encode("utf-16-le"), ["UTF-16"], None)):
        path = ws.write("bad.dat", content)
        ws.expect_failure(ws.args(x=path), ["X axys file", path], line=line, hints=hints)
    empty = ws.write("empty.dat", b"")
    ws.expect_failure(ws.args(attribute=empty), ["Attribute 'Temp'", empty])
    path = ws.write("long.dat", b"SIZE_I : 3\nSIZE_J : 2\n<BeginData>\n"  # a line of 100 MB
                    + b"1234567890" * (10 << 20))
    ws.expect_failure(ws.args(attribute=path), ["Attribute 'Temp'", path], line=4)


def case_line_breaks_and_empty_lines(ws):
    for brk in ("\r", "\r\n"):
        check_standard_job(ws.expect_success(ws.args(
            x=ws.write("x_cr.dat", data_file(GRID, NODES_X, brk)),
            y=ws.write("y_cr.dat", data_file(GRID, NODES_Y, brk)),
            attribute=ws.write("t_cr.dat", data_file([], CELL_VALUES, brk)))))
    # Mixed breaks, and the values follow the "<BeginData>" line however many empty lines stand
    # above it, an empty first line included.
    check_standard_job(ws.expect_success(ws.args(
        x=ws.write("x_mixed.dat", b"Nerasco\r\nSIZE_I : 3\rSIZE_J : 2\n\n<BeginData>\r\n"
                                  b"0\r0\n1\r\n1\r2\n2"),
        y=ws.write("y_gap.dat", b"\n" + data_file(["", ""], NODES_Y)),
        attribute=ws.write("t_gap.dat", b"\n\n<BeginData>\n12.5\r\n-3.25\n"))))
    no_marker = ws.write("t_none.dat", b"Temperature\n\n12.5\n-3.25\n")
    ws.expect_failure(ws.args(attribute=no_marker), ["Attribute 'Temp'", no_marker],
                      hints=['no "<BeginData>" line'])


def case_size_keyword_not_in_header(ws):
    # A size comes from its own keyword line above the first empty line and the marker line,
    # never from another line: not from the line above the empty line, not from the last value.
    for content, keyword, where in (
            (b"SIZE_I : 3\n\nSIZE_J : 2\n<BeginData>\n", "SIZE_J", "empty line"),
            (b"SIZE_I : 3\n<BeginData>\n0\n0\n1\n1\n2\n2\n", "SIZE_J", "<BeginData>"),
            (b"title: 3\n\nSIZE_I : 3\nSIZE_J : 2\n<BeginData>\n", "SIZE_I", "empty line")):
        x = ws.write("x_keyword.dat", content + b"0\n" * 6)
        ws.expect_failure(ws.args(x=x), ["X axys file", x, f'no "{keyword}" line'], line=2,
                          hints=[where])


def case_sizes_refused(ws):
    # Each text as the SIZE_I value (line 2) and as the SIZE_J value (line 3). "          7": the
    # number begins 11 characters after the ":", beyond the value text.
    for text in ("abc", "3x", "", "          7", "0x10", "-5", "0", "-32768", "0.4", "32768",
                 "1e9", "99999999999"):
        for header, keyword, line in (([f"SIZE_I : {text}", "SIZE_J : 2"], "SIZE_I", 2),
                                      (["SIZE_I : 3", f"SIZE_J : {text}"], "SIZE_J", 3)):
            x = ws.write("x_size.dat", data_file(header, NODES_X))
            ws.expect_failure(ws.args(x=x), ["X axys file", x, keyword], line=line)
    px = ws.write("px_big.dat", data_file(["SIZE_I : 32769"], range(10)))
    ws.expect_failure(ws.args(x=px, y=px, attribute=px, shape_type="point"),
                      ["X axys file", px, "SIZE_I"], line=2)


def case_smallest_and_largest_sizes(ws):
    # One row of nodes makes no cell, one particle's size no particle: empty shapefiles.
    one = ws.write("x_one.dat", data_file(["SIZE_I : 1", "SIZE_J : 2"], [5, 6]))
    points_one = ws.write("px_one.dat", data_file(["SIZE_I : 1"], []))
    # The largest grid along i: 32767 nodes (32766 cells), and the most particles, 32767.
    nodes = 32767
    x = ws.write("x_max.dat", data_file([f"SIZE_I : {nodes}", "SIZE_J : 2"],
                                        [i // 2 for i in range(2 * nodes)]))
    px = ws.write("px_max.dat", data_file([f"SIZE_I : {nodes + 1}"], range(nodes)))
    attribute = ws.write("t_max.dat", data_file([], [i / 4 for i in range(nodes - 1)]))
    for args, expected in (
            (ws.args(x=one, y=one), []),
            (ws.args(x=points_one, y=points_one, attribute=points_one, shape_type="point"), []),
            (ws.args(x=x, y=x, attribute=attribute), [(i, i / 4) for i in range(nodes - 1)]),
            (ws.args(x=px, y=px, attribute=px, shape_type="point"),
             [(i, i) for i in range(nodes)])):
        shp = ws.expect_success(args)
        if cells(shp) != expected:
            fail(f"{args}: pyshp reads {len(cells(shp))} shapes, expected {len(expected)}")
        summary = ogr_summary(ws.ogrinfo, shp)
        if f"Feature Count: {len(expected)}\n" not in summary or "Temp: Real" not in summary:
            fail(f"ogrinfo does not read {len(expected)} features with Temp:\n{summary}")


def case_huge_sizes_in_short_files(ws):
    # Sizes that ask for hundreds of megabytes of coordinates, in files of a few lines: the
    # conversion must end at the missing values without having taken that memory. 32767 x 400
    # fails at the end of the values; 32767 x 32767 is refused from its sizes.
    for sizes in (["SIZE_I : 32767", "SIZE_J : 400"], ["SIZE_I : 32767", "SIZE_J : 32767"]):
        x = ws.write("x_huge.dat", data_file(sizes, [1, 2]))
        ws.expect_failure(ws.args(x=x, y=x, attribute=x), ["X axys file", x])
    peak_mb = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss / 1024
    if peak_mb >= 200:
        fail(f"the converter took {peak_mb:.0f} MB before failing on a file of a few lines")
    # 32767 x 500 nodes make a .shp beyond 2 GB: refused from the sizes alone, before any
    # value is read.
    x = ws.write("x_2gb.dat", b"SIZE_I : 32767\nSIZE_J : 500\n")
    ws.expect_failure(ws.args(x=x, y=x, attribute=x), ["X axys file", x], hints=["2147483647"])


def case_pipes_and_fifos(ws):
    # A FIFO, a pipe read as /dev/fd/N (as the shell's <(zcat t.dat.gz) hands it over) and
    # standard input give the very bytes of the shapefile that regular files holding the same
    # text give. Each file is larger than a pipe's buffer.
    header, nodes = ["SIZE_I : 120", "SIZE_J : 80"], [(i, j) for i in range(120) for j in range(80)]
    files = {"x": write(ws.root / "x_large.dat", header,
                        [f"{512000 + 25.125 * i + j:.3f}" for i, j in nodes]),
             "y": write(ws.root / "y_large.dat", header,
                        [f"{6200000 - 12.5 * j + i / 8:.3f}" for i, j in nodes]),
             "attribute": write(ws.root / "t_large.dat", [],
                                [f"{n % 997 / 7:.4f}" for n in range(119 * 79)])}
    reference = ws.expect_success(ws.args(**files, out=ws.out / "reference.shp"))
    for name, through in (("x_fifo", {"x": "fifo"}), ("y_pipe", {"y": "pipe"}),
                          ("t_stdin", {"attribute": "stdin"}),
                          ("all", {"x": "pipe", "y": "fifo", "attribute": "fifo"})):
        paths, feeders, stdin = dict(files), [], subprocess.DEVNULL
        for role, kind in through.items():
            if kind == "stdin":
                paths[role], stdin = "/dev/stdin", files[role].open("rb")
            elif kind == "pipe":
                feeders.append(subprocess.Popen(["cat", files[role]], stdout=subprocess.PIPE))
                paths[role] = f"/dev/fd/{feeders[-1].stdout.fileno()}"
            else:  # the writer's open waits until a reader opens the FIFO
                paths[role] = ws.root / f"{name}_{role}"
                os.mkfifo(paths[role])
                feeders.append(subprocess.Popen(["sh", "-c", 'cat "$0" > "$1"', files[role],
                                                 paths[role]]))
        try:  # a timeout here: was an input opened twice?
            shp = ws.expect_success(ws.args(**paths, out=ws.out / f"{name}.shp"), stdin=stdin,
                                    timeout=60, pass_fds=[f.stdout.fileno() for f in feeders
                                                          if f.stdout])
        finally:
            for feeder in feeders:
                feeder.kill()
                feeder.communicate()
        for extension in ("shp", "shx", "dbf", "cpg"):
            got, want = (out.with_suffix(f".{extension}").read_bytes() for out in (shp, reference))
            if extension == "dbf":  # the date of the last change: bytes 1 to 3
                got, want = got[:1] + got[4:], want[:1] + want[4:]
            if got != want:
                fail(f"{name}: the .{extension} differs from the one of regular files")
        if len(shapefile.Reader(str(shp))) != 119 * 79:
            fail(f"{name}: pyshp does not read {119 * 79} cells")


def case_attribute_name_not_a_column_name(ws):
    # Control characters and bytes that are no UTF-8 are refused before any file is read.
    for name, shown, hint in ((b"Te\tmp", "Te\\x09mp", "control character"),
                              (b"T\nx", "T\\x0Ax", "control character"),
                              (b"\x1b[31mred", "\\x1B[31mred", "control character"),
                              (b"Caf\xe9", "Caf\\xE9", "not UTF-8")):
        ws.expect_failure(ws.args()[:-2] + [b"-a", name + b"=" + bytes(ws.attribute), "-o",
                                            str(ws.shp)], [f"Attribute '{shown}'"], hints=[hint])


@contextlib.contextmanager
def mounted_tmpfs(folder, options):
    if subprocess.run(["mount", "-t", "tmpfs", "-o", options, "tmpfs", str(folder)],
                      capture_output=True, check=False).returncode != 0:
        raise Skip("cannot mount a tmpfs here (needs root and a sandbox that allows it)")
    try:
        yield
    finally:
        subprocess.run(["umount", str(folder)], check=False)


def case_output_folder_refused(ws):
    folder = ws.root / "no such folder"
    ws.expect_failure(ws.args(out=folder / "result.shp"), [folder], folder=folder)
    ws.expect_failure(ws.args(out=ws.x / "result.shp"), [ws.x], hints=["Not a directory"],
                      folder=ws.root)
    if os.geteuid() != 0:
        ws.out.chmod(0o555)
        ws.expect_failure(ws.args(), [ws.out])
        ws.out.chmod(0o755)
        return
    # Root writes anywhere: a read-only tmpfs on the folder, the earlier files copied in.
    files = snapshot(ws.out)
    with mounted_tmpfs(ws.out, "size=1m"):
        for name, content in files.items():
            (ws.out / name).write_bytes(content)
        subprocess.run(["mount", "-o", "remount,ro", str(ws.out)], check=True)
        ws.expect_failure(ws.args(), [ws.out])


def case_disk_full(ws):
    # A 30 x 30 grid writes about 120 KB of polygons on a disk of 64 KB.
    nodes = [(i, j) for i in range(30) for j in range(30)]
    header = ["SIZE_I : 30", "SIZE_J : 30"]
    x = ws.write("x_full.dat", data_file(header, [i for i, _ in nodes]))
    y = ws.write("y_full.dat", data_file(header, [j for _, j in nodes]))
    attribute = ws.write("t_full.dat", data_file([], [0.5] * (29 * 29)))
    disk = ws.root / "small disk"
    disk.mkdir()
    with mounted_tmpfs(disk, "size=64k"):
        place_earlier_shapefile(disk)
        ws.expect_failure(ws.args(x=x, y=y, attribute=attribute, out=disk / "result.shp"),
                          [disk / "result."], hints=["No space left on device"])


if __name__ == "__main__":
    run_case(globals(), Workspace)
