#!/usr/bin/python3
"""A model run into one GeoPackage layer or FlatGeobuf file: the real tesselar-convert, its
output read by GDAL/OGR and sqlite3: the step and time columns and the values of every step, a
spatial filter over every step, a failing step and a stopped or killed run changing nothing, a
single step stamped by --time, and a conversion without steps as before.

    model_run_layers.py TESSELAR_CONVERT VALIDATE_GPKG
"""

import signal
import sqlite3
import subprocess
import sys
import unittest

from osgeo import gdal, ogr

from harness import FolderTestCase, run, snapshot, wait_until, wait_until_catching, write

gdal.UseExceptions()

# A grid of 4 x 3 nodes (6 cells) with x = 10 i + j and y = 5 j + i, so no two cells share a box.
NODES_I, NODES_J = 4, 3
HEADER = [f"SIZE_I : {NODES_I}", f"SIZE_J : {NODES_J}"]
CELLS = (NODES_I - 1) * (NODES_J - 1)


def node_x(i, j):
    return 10 * i + j


def node_y(i, j):
    return 5 * j + i


def step_values(step):
    """Cell c's value in step s (from 1): distinct in every step and cell, with hundredths."""
    return [round(100 * step + c + 0.25 * (c % 3), 2) for c in range(CELLS)]


def features(path):
    """(the field values by name, the geometry's box) of every feature, in the file's order."""
    source = ogr.Open(str(path))
    try:
        layer = source.GetLayer(0)
        rows = []
        for feature in layer:
            names = [layer.GetLayerDefn().GetFieldDefn(f).GetName()
                     for f in range(feature.GetFieldCount())]
            values = {name: feature.GetField(name) for name in names}
            envelope = feature.GetGeometryRef().GetEnvelope()
            rows.append((values, envelope))
        return rows
    finally:
        source.Release()


def field_types(path):
    source = ogr.Open(str(path))
    try:
        definition = source.GetLayer(0).GetLayerDefn()
        return [(definition.GetFieldDefn(f).GetName(), definition.GetFieldDefn(f).GetTypeName())
                for f in range(definition.GetFieldCount())]
    finally:
        source.Release()


class ModelRunLayers(FolderTestCase):
    def setUp(self):
        super().setUp()
        self.out = self.folder / "out"
        self.out.mkdir()
        x = [node_x(i, j) for i in range(NODES_I) for j in range(NODES_J)]
        y = [node_y(i, j) for i in range(NODES_I) for j in range(NODES_J)]
        self.grid = ["-x", write(self.folder / "x.dat", HEADER, x),
                     "-y", write(self.folder / "y.dat", HEADER, y)]
        for step in (1, 2, 3):
            write(self.folder / f"temp_{step}.dat", ["Temperature"], step_values(step))
        write(self.folder / "depth.dat", ["Depth"], [float(c) + 0.5 for c in range(CELLS)])
        self.steps = ["-a", f"Temp={self.folder}/temp_*.dat",
                      "-a", f"Depth={self.folder}/depth.dat"]

    def convert(self, *arguments, status=0):
        result = run(CONVERT, *self.grid, *arguments, "--crs", "EPSG:25829")
        self.assertEqual(result.returncode, status, result.stderr)
        return result

    def expected(self, times, cell_index=False):
        """Every feature as OGR should read it: step after step, cells in grid order."""
        rows = []
        for step in (1, 2, 3):
            for c in range(CELLS):
                i, j = c // (NODES_J - 1), c % (NODES_J - 1)
                values = {"step": step}
                if times:
                    values["time"] = times[step - 1]
                if cell_index:
                    values.update({"I": i + 1, "J": j + 1})
                values.update({"Temp": step_values(step)[c], "Depth": c + 0.5})
                corners = [(node_x(a, b), node_y(a, b)) for a in (i, i + 1) for b in (j, j + 1)]
                box = (min(p[0] for p in corners), max(p[0] for p in corners),
                       min(p[1] for p in corners), max(p[1] for p in corners))
                rows.append((values, box))
        return rows

    def test_every_step_in_one_layer_with_its_step_and_time(self):
        times_ogr = ["2024/01/01 00:00:00+00", "2024/01/01 00:30:00+00", "2024/01/01 01:00:00+00"]
        for output in ("run.gpkg", "run.fgb"):
            for cell_index in (False, True):
                with self.subTest(output=output, cell_index=cell_index):
                    path = self.out / output
                    path.unlink(missing_ok=True)
                    result = self.convert(*self.steps, "--time", "2024-01-01T01:00:00+01:00",
                                          "--time-step", "PT30M",
                                          *(["--cell-index"] if cell_index else []), "-o", path)
                    kind = "GeoPackage" if output.endswith("gpkg") else "FlatGeobuf file"
                    self.assertEqual(result.stdout, f"Polygon {kind} '{path}' with 3 steps was "
                                     "created with success\n")
                    types = dict(field_types(path))
                    self.assertIn(types["step"], ("Integer", "Integer64"))
                    self.assertEqual(types["time"], "DateTime")
                    names = [name for name, _ in field_types(path)]
                    self.assertLess(names.index("time"), names.index("Temp"))
                    self.assertEqual(names[0], "step")
                    self.assertEqual(features(path), self.expected(times_ogr, cell_index))
        # The GeoPackage stores the time as ISO 8601 UTC text in a DATETIME column.
        with sqlite3.connect(self.out / "run.gpkg") as db:
            declared = {row[1]: row[2] for row in db.execute("PRAGMA table_info(run)")}
            self.assertEqual((declared["step"], declared["time"]), ("INTEGER", "DATETIME"))
            stored = db.execute("SELECT step, time, count(*) FROM run GROUP BY step, time "
                                "ORDER BY step").fetchall()
        # The form the GeoPackage standard gives DATETIME values, with milliseconds.
        self.assertEqual(stored, [(1, "2024-01-01T00:00:00.000Z", CELLS),
                                  (2, "2024-01-01T00:30:00.000Z", CELLS),
                                  (3, "2024-01-01T01:00:00.000Z", CELLS)])
        self.validate(self.out / "run.gpkg")

    def test_a_spatial_filter_finds_the_cell_in_every_step(self):
        self.convert(*self.steps, "-o", self.out / "run.gpkg")
        self.convert(*self.steps, "-o", self.out / "run.fgb")
        # SQLite's own check of the spatial index: every row once, in the leaf its _rowid
        # table names, each node's box around its children.
        with sqlite3.connect(self.out / "run.gpkg") as db:
            self.assertEqual(db.execute("SELECT rtreecheck('rtree_run_geom')").fetchone(), ("ok",))
            self.assertEqual(db.execute("SELECT count(*) FROM rtree_run_geom").fetchone(),
                             (3 * CELLS,))
        for output in ("run.gpkg", "run.fgb"):
            source = ogr.Open(str(self.out / output))
            layer = source.GetLayer(0)
            # Around the centre of the second cell (i 0, j 1), inside no other cell's box.
            layer.SetSpatialFilterRect(6.4, 7.9, 6.6, 8.1)
            found = sorted((f.GetField("step"), f.GetField("Temp")) for f in layer)
            source.Release()
            self.assertEqual(found, [(s, step_values(s)[1]) for s in (1, 2, 3)], output)
            self.assertNotIn("time", dict(field_types(self.out / output)))
        # Without a spatial index: its features come step after step, as they were written.
        self.assertEqual(index_node_size(self.out / "run.fgb"), 0)

    def test_the_spatial_index_of_many_steps_passes_sqlites_check(self):
        # 40 x 30 nodes, 1131 cells, 4 steps: many leaves, some holding copies of one cell from
        # two steps, and a level above them.
        header = ["SIZE_I : 40", "SIZE_J : 30"]
        x = write(self.folder / "grid_x.dat", header, [i for i in range(40) for _ in range(30)])
        y = write(self.folder / "grid_y.dat", header, [j for _ in range(40) for j in range(30)])
        for step in (1, 2, 3, 4):
            write(self.folder / f"wide_{step}.dat", [], [step] * (39 * 29))
        result = run(CONVERT, "-x", x, "-y", y, "-a", f"T={self.folder}/wide_*.dat",
                     "--crs", "none", "-o", self.out / "wide.gpkg")
        self.assertEqual(result.returncode, 0, result.stderr)
        with sqlite3.connect(self.out / "wide.gpkg") as db:
            self.assertEqual(db.execute("SELECT rtreecheck('rtree_wide_geom')").fetchone(),
                             ("ok",))
            inside = db.execute("SELECT id FROM rtree_wide_geom WHERE minx <= 10.5 AND "
                                "maxx >= 10.5 AND miny <= 7.5 AND maxy >= 7.5").fetchall()
        # The cell (i 10, j 7) from 0, in every step.
        cell = 10 * 29 + 7 + 1
        self.assertEqual(sorted(row[0] for row in inside),
                         [cell + (step - 1) * 39 * 29 for step in (1, 2, 3, 4)])

    def test_a_single_step_stamped_by_time_and_a_plain_conversion_as_before(self):
        single = ["-a", f"Temp={self.folder}/temp_2.dat"]
        for output in ("one.gpkg", "one.fgb"):
            path = self.out / output
            self.convert(*single, "--time", "2024-05-01T12:00:00Z", "-o", path)
            # The FlatGeobuf file holds its features in the order of its spatial index.
            rows = sorted((values for values, _ in features(path)), key=lambda v: v["Temp"])
            self.assertEqual(rows, [{"step": 1, "time": "2024/05/01 12:00:00+00", "Temp": v}
                                    for v in step_values(2)])
            plain = self.out / f"plain.{output.split('.')[1]}"
            self.convert(*single, "-o", plain)
            self.assertEqual(field_types(plain), [("Temp", "Real")])
            self.assertEqual(sorted(values["Temp"] for values, _ in features(plain)),
                             step_values(2))
        # The stamped FlatGeobuf keeps its spatial index: index_node_size 16 in the header.
        self.assertEqual(index_node_size(self.out / "one.fgb"), 16)

    def test_step_names_are_refused_in_a_layer_output(self):
        for output in ("r_{step}.gpkg", "r_{time}.fgb"):
            result = self.convert(*self.steps, "--time", "2024-01-01T00:00Z", "--time-step",
                                  "PT1H", "-o", self.out / output, status=2)
            self.assertIn("which holds every step", result.stderr)
        result = self.convert("-a", f"step={self.folder}/temp_*.dat", "-o", self.out / "c.gpkg",
                              status=1)
        self.assertIn("columns 'step' and 'step'", result.stderr)
        self.assertEqual(list(self.out.iterdir()), [])

    def test_a_failing_step_changes_nothing(self):
        # An existing GeoPackage with the layer and another one; an earlier FlatGeobuf file.
        self.convert(*self.steps, "-o", self.out / "run.gpkg")
        self.convert(*self.steps, "--layer", "other", "-o", self.out / "run.gpkg")
        self.convert(*self.steps, "-o", self.out / "run.fgb")
        earlier = snapshot(self.out)
        # Step 3 ends early: found only once steps 1 and 2 are written.
        write(self.folder / "temp_3.dat", ["Temperature"], step_values(3)[:2])
        for output in ("run.gpkg", "run.fgb", "new.gpkg", "new.fgb"):
            result = self.convert(*self.steps, "-o", self.out / output, status=1)
            self.assertIn("temp_3.dat", result.stderr)
            self.assertEqual(snapshot(self.out), earlier, output)

    def test_a_stopped_or_killed_run_changes_nothing(self):
        nodes = 500
        header = [f"SIZE_I : {nodes}", f"SIZE_J : {nodes}"]
        x = write(self.folder / "big_x.dat", header, [n // nodes for n in range(nodes * nodes)])
        # Five steps, so that much is left to write once the second is read.
        for step in range(1, 6):
            write(self.folder / f"big_{step}.tdat", [], [f"{step}.5"] * (nodes - 1) ** 2)
        arguments = ["-x", x, "-y", x, "-a", f"Temp={self.folder}/big_*.tdat"]
        past_steps = 2 * x.stat().st_size + sum(
            (self.folder / f"big_{step}.tdat").stat().st_size for step in (1, 2))
        # A GeoPackage that has the layer, from the small grid.
        self.convert(*self.steps, "--layer", "big", "-o", self.out / "big.gpkg")
        earlier = snapshot(self.out)
        for output in ("big.gpkg", "big.fgb", "new.gpkg"):
            for signal_number in (signal.SIGINT, signal.SIGKILL):
                converter = subprocess.Popen([CONVERT, "-q", *arguments, "-o", self.out / output],
                                             stdout=subprocess.PIPE, stderr=subprocess.PIPE)
                if signal_number != signal.SIGKILL:
                    wait_until_catching(converter.pid, signal_number)
                # Past the values of steps 1 and 2: step 1 is written or being written.
                self.assertTrue(wait_until(converter.pid, has_read(past_steps)))
                converter.send_signal(signal_number)
                _, err = converter.communicate(timeout=120)
                expected = 128 + signal_number if signal_number != signal.SIGKILL \
                    else -signal_number
                self.assertEqual(converter.returncode, expected, err)
                # SQLite rolls back what a killed writer left in the GeoPackage when it is next
                # opened.
                db = sqlite3.connect(self.out / "big.gpkg")
                db.execute("SELECT count(*) FROM big").fetchone()
                db.close()
                # What a killed writer leaves goes with the next conversion to the name: its
                # hidden temporary, and SQLite's journal, which readers ignore while its header
                # is zero (the GeoPackage itself was not changed).
                visible = {name: data for name, data in snapshot(self.out).items()
                           if not (name.startswith(".") and signal_number == signal.SIGKILL)
                           and not (name.endswith("-journal") and not any(data[:8]))}
                self.assertEqual(visible, earlier, (output, signal_number))
        with sqlite3.connect(self.out / "big.gpkg") as db:
            self.assertEqual(db.execute("PRAGMA integrity_check").fetchone(), ("ok",))
        self.validate(self.out / "big.gpkg")

    def validate(self, path):
        result = subprocess.run([sys.executable, VALIDATE, str(path)], capture_output=True,
                                text=True)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)


def has_read(count):
    """Whether the process has read at least `count` bytes."""
    def enough(pid):
        with open(f"/proc/{pid}/io", encoding="ascii") as io:
            counts = dict(line.split(": ") for line in io.read().splitlines())
        return int(counts["rchar"]) >= count
    return enough


def index_node_size(fgb):
    """The header's index_node_size, read from the header table's FlatBuffers layout: field 9,
    the schema's default 16 when the table leaves it out."""
    data = fgb.read_bytes()
    table = 12 + int.from_bytes(data[12:16], "little")  # size prefix, then the root offset
    vtable = table - int.from_bytes(data[table:table + 4], "little", signed=True)
    vtable_size = int.from_bytes(data[vtable:vtable + 2], "little")
    slot = 4 + 2 * 9
    if slot >= vtable_size:
        return 16  # the schema's default
    field = int.from_bytes(data[vtable + slot:vtable + slot + 2], "little")
    if field == 0:
        return 16
    return int.from_bytes(data[table + field:table + field + 2], "little")


if __name__ == "__main__":
    CONVERT, VALIDATE = sys.argv[1:3]
    unittest.main(argv=sys.argv[:1])
