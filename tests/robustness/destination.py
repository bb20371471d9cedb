#!/usr/bin/python3
"""Runs the real tesselar-convert against a destination that is busy, has an earlier shapefile
with other companions or names in another case, a default ACL or a name of the longest length,
or is killed while it writes. What stands at the destination afterwards is read with pyshp and
ogrinfo: always one whole shapefile, with every file of the earlier one gone, and nothing else.

    destination.py TESSELAR_CONVERT OGRINFO CASE

Exits 0 when the case passes, 1 when it fails and 77 when it cannot run here (CTest's skip).
"""

import os
import subprocess
import sys
import tempfile
import time
from pathlib import Path

import shapefile

from bad_inputs import NODES_X, NODES_Y, Skip, data_file, fail, snapshot

CONVERT = ""
OGRINFO = ""
WGS84 = ('GEOGCS["WGS 84",DATUM["WGS_1984",SPHEROID["WGS 84",6378137,298.257223563]],'
         'PRIMEM["Greenwich",0],UNIT["degree",0.0174532925199433]]')
SKIPPED = 77
SET = {"shp", "shx", "dbf", "cpg"}


class Workspace:
    """A grid of two cells whose x is shifted by `offset`, with both cells holding `value`, for
    each of the writers a case needs, and an empty output folder."""

    def __init__(self, root):
        self.root = Path(root)
        self.out = self.root / "out"
        self.out.mkdir()

    def job(self, name, offset, value):
        header = ["SIZE_I : 3", "SIZE_J : 2"]
        x = self.root / f"{name}_x.dat"
        x.write_bytes(data_file(header, [v + offset for v in NODES_X]))
        y = self.root / f"{name}_y.dat"
        y.write_bytes(data_file(header, NODES_Y))
        attribute = self.root / f"{name}_t.dat"
        attribute.write_bytes(data_file([], [value, value]))
        return ["-x", str(x), "-y", str(y), "-a", f"Temp={attribute}"]


def convert(args, output, quiet=True):
    result = subprocess.run([CONVERT, *(["-q"] if quiet else []), *args, "-o", str(output)],
                            capture_output=True, text=True, timeout=600, check=False)
    if result.returncode != 0:
        fail(f"converting to '{output}' failed: {result.stderr!r}")
    return result


def read_job(shp):
    """The (x offset, value) each cell of the shapefile shows, as pyshp reads it."""
    with shapefile.Reader(str(shp)) as reader:
        return {(round(shape.bbox[0]), record["Temp"])
                for shape, record in zip(reader.shapes(), reader.records())}


def ogr_summary(path):
    return subprocess.run([OGRINFO, "-ro", "-so", "-al", str(path)], capture_output=True,
                          text=True, check=True).stdout


def expect_names(folder, names):
    found = {entry.name for entry in folder.iterdir()}
    if found != set(names):
        fail(f"expected exactly {sorted(names)} in '{folder}', found {sorted(found)}")


# --- The cases --------------------------------------------------------------------------------

def case_concurrent_writers(ws):
    # Two conversions to one destination, started together, round after round: both succeed,
    # and the shapefile is always one of them whole.
    jobs = [ws.job("a", 0, 1.0), ws.job("b", 100, 2.0)]
    shp = ws.out / "out.shp"
    for round_number in range(100):
        writers = [subprocess.Popen([CONVERT, "-q", *job, "-o", str(shp)], stdout=subprocess.PIPE,
                                    stderr=subprocess.PIPE) for job in jobs]
        for writer in writers:
            _, err = writer.communicate(timeout=600)
            if writer.returncode != 0:
                fail(f"round {round_number}: a writer failed: {err!r}")
        cells = read_job(shp)
        if cells not in ({(0, 1.0), (1, 1.0)}, {(100, 2.0), (101, 2.0)}):
            fail(f"round {round_number}: the shapefile mixes both conversions: {sorted(cells)}")
        expect_names(ws.out, {f"out.{extension}" for extension in SET})


def case_killed_while_writing(ws):
    # A grid large enough to take a while; the converter is killed once it writes its files.
    nodes = 1000
    header = [f"SIZE_I : {nodes}", f"SIZE_J : {nodes}"]
    coordinates = [str(n // nodes) for n in range(nodes * nodes)]
    (ws.root / "big_x.dat").write_bytes(data_file(header, coordinates))
    (ws.root / "big_t.dat").write_bytes(data_file([], ["1.5"] * (nodes - 1) ** 2))
    big = ["-x", str(ws.root / "big_x.dat"), "-y", str(ws.root / "big_x.dat"),
           "-a", f"Temp={ws.root / 'big_t.dat'}"]
    shp = ws.out / "result.shp"
    convert(ws.job("a", 0, 1.0), shp)
    (ws.out / "result.prj").write_text("earlier projection")
    earlier = snapshot(ws.out)
    for delay in (0.0, 0.05):
        writer = subprocess.Popen([CONVERT, "-q", *big, "-o", str(shp)])
        if not wait_until_writing(writer.pid, ws.out):
            fail("the converter ended before it was seen writing")
        time.sleep(delay)
        writer.kill()
        if writer.wait() != -9:
            fail(f"the converter ended on its own (status {writer.returncode}) before the kill")
        if snapshot(ws.out) != earlier:
            fail(f"killed {delay} s into writing, the converter left "
                 f"{sorted(set(snapshot(ws.out)) - set(earlier))} and changed "
                 f"{sorted(n for n in earlier if snapshot(ws.out).get(n) != earlier[n])}")


def wait_until_writing(pid, folder):
    """Waits until the process has a file of `folder` open; False when it ends first."""
    prefix = f"{folder}/"
    while True:
        try:
            descriptors = os.listdir(f"/proc/{pid}/fd")
        except FileNotFoundError:
            return False
        for descriptor in descriptors:
            try:
                if os.readlink(f"/proc/{pid}/fd/{descriptor}").startswith(prefix):
                    return True
            except FileNotFoundError:
                pass
        with open(f"/proc/{pid}/stat", encoding="ascii") as stat:
            if stat.read().split(") ")[1].startswith("Z"):
                return False
        time.sleep(0.001)


def case_extension_case(ws):
    # ".SHP" writes upper-case companions and replaces the lower-case set of the same name;
    # any other mix of case is written as ".shp" with lower-case companions.
    convert(ws.job("a", 0, 1.0), ws.out / "est.shp")
    out = convert(ws.job("b", 100, 2.0), ws.out / "est.SHP", quiet=False).stdout
    expect_names(ws.out, {f"est.{extension.upper()}" for extension in SET})
    if f"'{ws.out / 'est.SHP'}' was created" not in out:
        fail(f"the success message does not name est.SHP: {out!r}")
    for reader in (read_job(ws.out / "est.SHP"), read_job(ws.out / "est")):
        if reader != {(100, 2.0), (101, 2.0)}:
            fail(f"pyshp reads {sorted(reader)} from est.SHP, not the new data")
    if "Feature Count: 2" not in ogr_summary(ws.out / "est.SHP"):
        fail("ogrinfo does not read est.SHP")

    out = convert(ws.job("a", 0, 1.0), ws.out / "mixed.Shp", quiet=False).stdout
    if f"'{ws.out / 'mixed.shp'}' was created" not in out:
        fail(f"the success message does not name the file written, mixed.shp: {out!r}")
    expect_names(ws.out, {f"est.{extension.upper()}" for extension in SET} |
                 {f"mixed.{extension}" for extension in SET})
    if "Feature Count: 2" not in ogr_summary(ws.out / "mixed.shp"):
        fail("ogrinfo does not read mixed.shp")


def case_stale_companions(ws):
    # Every file of the earlier shapefile goes, whatever the case of its name; files of other
    # shapefiles and other files stay.
    convert(ws.job("a", 0, 1.0), ws.out / "result.shp")
    for name in ("result.prj", "result.qix", "result.sbn", "result.SBX", "result.shp.xml",
                 "RESULT.CPG", "Result.Prj", "result2.shp", "result.txt"):
        (ws.out / name).write_text(WGS84 if name.endswith(("prj", "Prj")) else "earlier")
    if "WGS 84" not in ogr_summary(ws.out / "result.shp"):
        fail("GDAL does not see the earlier projection this case relies on")
    convert(ws.job("b", 100, 2.0), ws.out / "result.shp")
    expect_names(ws.out, {f"result.{extension}" for extension in SET} |
                 {"result2.shp", "result.txt"})
    summary = ogr_summary(ws.out / "result.shp")
    if "WGS 84" in summary or "Feature Count: 2" not in summary:
        fail(f"GDAL reads the new shapefile with the earlier projection:\n{summary}")


def case_default_acl(ws):
    # The files get the ACL a file any program creates there gets, as touch gives it.
    acl = "u::rwx,g::rwx,o::rx,u:nobody:rwx"
    if subprocess.run(["setfacl", "-d", "-m", acl, str(ws.out)], capture_output=True,
                      check=False).returncode != 0:
        raise Skip("the file system of the temporary folder has no ACLs")
    convert(ws.job("a", 0, 1.0), ws.out / "acl.shp")
    (ws.out / "touched").touch()

    def facl(name):
        return subprocess.run(["getfacl", "-c", "-p", str(ws.out / name)], capture_output=True,
                              text=True, check=True).stdout

    for extension in SET:
        if facl(f"acl.{extension}") != facl("touched"):
            fail(f"acl.{extension} has the ACL\n{facl(f'acl.{extension}')}\nwhere a new file "
                 f"has\n{facl('touched')}")


def case_long_name(ws):
    # The longest name the file system allows, 255 bytes with ".shp", written and replaced.
    name = "n" * 251
    for job in (ws.job("a", 0, 1.0), ws.job("b", 100, 2.0)):
        convert(job, ws.out / f"{name}.shp")
    expect_names(ws.out, {f"{name}.{extension}" for extension in SET})
    if read_job(ws.out / f"{name}.shp") != {(100, 2.0), (101, 2.0)}:
        fail("pyshp does not read the second conversion from the long name")


CASES = {name[len("case_"):]: case for name, case in globals().items()
         if name.startswith("case_")}


def main():
    global CONVERT, OGRINFO
    if len(sys.argv) != 4 or sys.argv[3] not in CASES:
        sys.exit(f"usage: destination.py TESSELAR_CONVERT OGRINFO CASE\n"
                 f"cases: {', '.join(CASES)}")
    CONVERT, OGRINFO, case = sys.argv[1:]
    with tempfile.TemporaryDirectory(prefix="tesselar-destination-") as root:
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
