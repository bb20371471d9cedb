#!/usr/bin/python3
"""Runs the real tesselar-convert against a destination that is busy, has an earlier shapefile
with other companions or extensions in another case, shapefiles whose names differ only in
case, a default ACL or a name of the longest length, or is killed while it writes (also where
nameless files cannot be made). What stands at the destination afterwards is read with pyshp
and ogrinfo: always one whole shapefile, with every file of the earlier one gone, other
shapefiles untouched, and nothing else.

    destination.py TESSELAR_CONVERT OGRINFO CASE
"""

import signal
import subprocess
import time

from harness import (Skip, big_grid, cells, fail, fault_shim, hidden, job, ogr_summary, proc,
                     run, run_case, snapshot, wait_until, writing_in)

WGS84 = ('GEOGCS["WGS 84",DATUM["WGS_1984",SPHEROID["WGS 84",6378137,298.257223563]],'
         'PRIMEM["Greenwich",0],UNIT["degree",0.0174532925199433]]')
SET = {"shp", "shx", "dbf", "cpg"}
FIRST, SECOND = [(0, 1.0), (1, 1.0)], [(100, 2.0), (101, 2.0)]  # as cells() reads them


class Workspace:
    """Two jobs, the second shifted by 100 in x with other values, and an empty output folder."""

    def __init__(self, root, convert, ogrinfo):
        self.root, self.convert, self.ogrinfo = root, convert, ogrinfo
        self.out = root / "out"
        self.out.mkdir()
        self.first = job(root, "a_", 0, [1.0, 1.0])
        self.second = job(root, "b_", 100, [2.0, 2.0])

    def run(self, args, output, env=None):
        result = run(self.convert, "-q", *args, "-o", output, env=env)
        if result.returncode != 0:
            fail(f"converting to '{output}' failed: {result.stderr!r}")

    def expect_names(self, names):
        found = {entry.name for entry in self.out.iterdir()}
        if found != set(names):
            fail(f"expected exactly {sorted(names)} in '{self.out}', found {sorted(found)}")


def case_concurrent_writers(ws):
    # Six conversions to one destination, started together, round after round, every other
    # round under hidden temporary names (nameless files refused): all succeed, and the
    # shapefile is always one of them whole.
    shp = ws.out / "out.shp"
    jobs = [job(ws.root, f"w{n}_", 100 * n, [float(n), float(n)]) for n in range(6)]
    wholes = [[(100 * n, float(n)), (100 * n + 1, float(n))] for n in range(6)]
    for round_number in range(60):
        env = fault_shim(no_nameless_files=1) if round_number % 2 else None
        writers = [subprocess.Popen([ws.convert, "-q", *args, "-o", str(shp)],
                                    stderr=subprocess.PIPE, env=env) for args in jobs]
        for writer in writers:
            _, err = writer.communicate(timeout=600)
            if writer.returncode != 0:
                fail(f"round {round_number}: a writer failed: {err!r}")
        if cells(shp) not in wholes:
            fail(f"round {round_number}: the shapefile mixes conversions: {cells(shp)}")
        ws.expect_names({f"out.{extension}" for extension in SET})


def kill(writer):
    """SIGKILL for a converter still at work: one that ended first proves nothing."""
    writer.kill()
    if writer.wait() != -9:
        fail(f"the converter ended on its own (status {writer.returncode}) before the kill")


def case_killed_while_writing(ws):
    big = big_grid(ws.root)
    shp = ws.out / "result.shp"
    ws.run(ws.first, shp)
    (ws.out / "result.prj").write_text("earlier projection")
    earlier = snapshot(ws.out)
    for delay in (0.0, 0.05):
        writer = subprocess.Popen([ws.convert, "-q", *big, "-o", str(shp)])
        if not wait_until(writer.pid, writing_in(ws.out)):
            fail("the converter ended before it was seen writing")
        time.sleep(delay)
        kill(writer)
        if snapshot(ws.out) != earlier:
            fail(f"killed {delay} s into writing, the converter changed the folder: "
                 f"{sorted(snapshot(ws.out))}")


def case_killed_while_writing_named_files(ws):
    # Where nameless files cannot be made, a writer killed while writing leaves its hidden
    # files. The next conversion to that name removes them, but not those of a writer of that
    # name still at work (stopped here), nor those of a shapefile named in another case.
    named = fault_shim(no_nameless_files=1)
    big = big_grid(ws.root)
    shp = ws.out / "result.shp"
    ws.run(ws.first, shp)

    def start_writing(output):
        writer = subprocess.Popen([ws.convert, "-q", *big, "-o", str(output)], env=named)
        if not wait_until(writer.pid, writing_in(ws.out)):
            fail(f"the converter to '{output}' ended before it was seen writing")
        return writer

    kill(start_writing(ws.out / "Result.shp"))
    other_case = hidden(ws.out)
    kill(start_writing(shp))
    dead = hidden(ws.out) - other_case
    live = start_writing(shp)
    try:
        # Stopped once it holds a file locked, the sign of a writer at work; a file it has
        # created but not yet locked may go, as the writer then makes another.
        wait_until(live.pid, lambda pid: locked_by(pid, ws.out))
        live.send_signal(signal.SIGSTOP)
        wait_until(live.pid, lambda pid: proc(pid, "stat").split(") ")[1].startswith("T"))
        at_work = locked_by(live.pid, ws.out)
        if not other_case or not dead or not at_work:
            fail(f"the writers left no hidden files to tell apart: {sorted(hidden(ws.out))}")
        ws.run(ws.second, shp, env=named)
        if hidden(ws.out) != at_work | other_case:
            fail(f"after the next conversion the folder holds the hidden files "
                 f"{sorted(hidden(ws.out))}; expected those of the writer at work "
                 f"{sorted(at_work)} and of 'Result.shp' {sorted(other_case)}")
        if cells(shp) != SECOND:
            fail("pyshp does not read the next conversion")
    except BaseException:
        live.kill()
        live.wait()
        raise
    live.send_signal(signal.SIGCONT)
    if live.wait() != 0:
        fail(f"the writer at work failed once resumed (status {live.returncode})")
    if hidden(ws.out) != other_case or \
            "Feature Count: 998001" not in ogr_summary(ws.ogrinfo, shp):
        fail(f"the writer at work did not complete: {sorted(hidden(ws.out))}")


def case_killed_while_writing_other_formats(ws):
    # A new GeoPackage is always written under a hidden name, a FlatGeobuf file so where
    # nameless files cannot be made. The next conversion to that name removes what a killed
    # writer left, but not the file of a writer of that name still at work (stopped here), nor
    # those of a file named in another case.
    named = fault_shim(no_nameless_files=1)
    big = big_grid(ws.root)
    for output, env in (ws.out / "result.gpkg", None), (ws.out / "result.fgb", named):
        def start_writing(output):
            writer = subprocess.Popen([ws.convert, "-q", *big, "-o", str(output)], env=env,
                                      stderr=subprocess.PIPE, text=True)
            if not wait_until(writer.pid, lambda pid: locked_by(pid, ws.out)):
                fail(f"the converter to '{output}' ended before it was seen writing")
            return writer

        before = hidden(ws.out)
        kill(start_writing(output.with_stem("Result")))
        other_case = hidden(ws.out) - before
        kill(start_writing(output))
        dead = hidden(ws.out) - before - other_case
        live = start_writing(output)
        try:
            live.send_signal(signal.SIGSTOP)
            wait_until(live.pid, lambda pid: proc(pid, "stat").split(") ")[1].startswith("T"))
            at_work = locked_by(live.pid, ws.out)
            if not other_case or not dead or not at_work:
                fail(f"the writers left no hidden files to tell apart: {sorted(hidden(ws.out))}")
            ws.run(ws.second, output, env=env)
            if hidden(ws.out) != before | at_work | other_case:
                fail(f"after the next conversion to '{output.name}' the folder holds the hidden "
                     f"files {sorted(hidden(ws.out))}; expected those of the writer at work "
                     f"{sorted(at_work)} and of '{output.with_stem('Result').name}' "
                     f"{sorted(other_case)}")
            if "Feature Count: 2" not in ogr_summary(ws.ogrinfo, output):
                fail(f"ogrinfo does not read the next conversion from '{output.name}'")
        except BaseException:
            live.kill()
            live.wait()
            raise
        live.send_signal(signal.SIGCONT)
        _, err = live.communicate()
        # A new GeoPackage never replaces a file that appeared meanwhile: the writer at work
        # then fails and removes its file; a FlatGeobuf file replaces it.
        if output.suffix == ".gpkg" and (live.returncode == 0 or "appeared" not in err):
            fail(f"the writer at work did not refuse the GeoPackage that appeared: {err!r}")
        if output.suffix == ".fgb" and (live.returncode != 0 or
                                        "Feature Count: 998001" not in
                                        ogr_summary(ws.ogrinfo, output)):
            fail(f"the writer at work did not complete: {err!r}")
        if hidden(ws.out) != before | other_case:
            fail(f"the writer at work left {sorted(hidden(ws.out))}")


def locked_by(pid, folder):
    """The names of the files in the folder that the process holds a lock (flock) on."""
    with open("/proc/locks", encoding="ascii") as locks:
        inodes = {int(fields[5].rsplit(":", 1)[1]) for fields in map(str.split, locks)
                  if fields[1] == "FLOCK" and fields[4] == str(pid)}
    return {entry.name for entry in folder.iterdir() if entry.lstat().st_ino in inodes}


def case_extension_case(ws):
    # ".SHP" writes upper-case companions and replaces the lower-case set of the same name;
    # any other mix of case is written as ".shp" with lower-case companions.
    ws.run(ws.first, ws.out / "est.shp")
    for output, written, data in (("est.SHP", "est.SHP", SECOND), ("mixed.Shp", "mixed.shp", FIRST)):
        ws.run(ws.second if data == SECOND else ws.first, ws.out / output)
        if cells(ws.out / written) != data or \
                "Feature Count: 2" not in ogr_summary(ws.ogrinfo, ws.out / written):
            fail(f"pyshp or ogrinfo does not read the new data from {written}")
    ws.expect_names({f"est.{extension.upper()}" for extension in SET} |
                    {f"mixed.{extension}" for extension in SET})


def case_other_sets(ws):
    # "Lagoon" and "lagoon" are two shapefiles: converting into one leaves the other as it was.
    # Files of the same name with extensions in another case ("t.SHX" beside "t.shp") belong
    # to the one shapefile and are replaced with it.
    ws.run(ws.first, ws.out / "Lagoon.shp")
    lagoon = snapshot(ws.out)
    ws.run(ws.second, ws.out / "lagoon")
    if {name: data for name, data in snapshot(ws.out).items() if name in lagoon} != lagoon or \
            cells(ws.out / "Lagoon.shp") != FIRST or cells(ws.out / "lagoon.shp") != SECOND:
        fail(f"converting into 'lagoon' changed 'Lagoon': {sorted(snapshot(ws.out))}")
    for name in ("t.shp", "t.SHX", "t.Dbf", "t.PRJ"):
        (ws.out / name).write_text("earlier")
    ws.run(ws.first, ws.out / "t.shp")
    ws.expect_names({f"{stem}.{extension}" for stem in ("Lagoon", "lagoon", "t")
                     for extension in SET})
    if cells(ws.out / "t.shp") != FIRST:
        fail("pyshp does not read the new 't.shp'")


def case_stale_companions(ws):
    # Every file of the earlier shapefile goes, whatever the case of its extension; files of
    # other shapefiles (a name in another case is another shapefile) and other files stay.
    ws.run(ws.first, ws.out / "result.shp")
    others = {"RESULT.CPG", "Result.Prj", "result2.shp", "result.txt"}
    for name in ("result.prj", "result.qix", "result.sbn", "result.SBX", "result.shp.xml",
                 "result.SHX", *others):
        (ws.out / name).write_text(WGS84 if name.endswith(("prj", "Prj")) else "earlier")
    if "WGS 84" not in ogr_summary(ws.ogrinfo, ws.out / "result.shp"):
        fail("GDAL does not see the earlier projection this case relies on")
    ws.run(ws.second, ws.out / "result.shp")
    ws.expect_names({f"result.{extension}" for extension in SET} | others)
    summary = ogr_summary(ws.ogrinfo, ws.out / "result.shp")
    if "WGS 84" in summary or "Feature Count: 2" not in summary:
        fail(f"GDAL reads the new shapefile with the earlier projection:\n{summary}")


def case_default_acl(ws):
    # The files get the ACL a file any program creates there gets, as touch gives it.
    if subprocess.run(["setfacl", "-d", "-m", "u::rwx,g::rwx,o::rx,u:nobody:rwx", str(ws.out)],
                      capture_output=True, check=False).returncode != 0:
        raise Skip("the file system of the temporary folder has no ACLs")
    ws.run(ws.first, ws.out / "acl.shp")
    (ws.out / "touched").touch()

    def facl(name):
        return run("getfacl", "-c", "-p", ws.out / name).stdout

    for extension in SET:
        if facl(f"acl.{extension}") != facl("touched"):
            fail(f"acl.{extension} has the ACL\n{facl(f'acl.{extension}')}\nwhere a new file "
                 f"has\n{facl('touched')}")


def case_long_name(ws):
    # The longest name the file system allows, 255 bytes with ".shp", written and replaced.
    name = "n" * 251
    for args in (ws.first, ws.second):
        ws.run(args, ws.out / f"{name}.shp")
    ws.expect_names({f"{name}.{extension}" for extension in SET})
    if cells(ws.out / f"{name}.shp") != SECOND:
        fail("pyshp does not read the second conversion from the long name")


if __name__ == "__main__":
    run_case(globals(), Workspace)
