"""pyshp, GDAL and shapelib read the sample shapefiles that write_sample_shapefiles writes, by
the component and by the writer with its options:
check_samples.py WRITE_SAMPLE_SHAPEFILES OGRINFO SHPDUMP DBFDUMP

The samples are described here independently of that program; every reader must find in each
file exactly its description.
"""

import json
import os
import re
import subprocess
import sys
import tempfile
import time
import unittest

import shapefile

PROGRAM = OGRINFO = OGR2OGR = SHPDUMP = DBFDUMP = ""  # set from the arguments


def grid_node(i, j):
    return (100.0 + 10 * i + j, 50.0 + 5 * j - i)


def option_node(i, j):
    return (10.0 * i, -10.0 * j)


def ring(node, i, j, clockwise):
    """The ring of cell (i, j) as written: clockwise from its first corner and closed."""
    corners = [node(i, j), node(i + 1, j), node(i + 1, j + 1), node(i, j + 1)]
    return [corners + corners[:1] if clockwise else corners[:1] + corners[:0:-1] + corners[:1]]


X, Y = 512345.25, 4734567.5
# Rings given clockwise, counter-clockwise, closed, at coordinates whose products dwarf their
# area, without area, and two in one shape.
RINGS_GIVEN = [
    [[(0, 0), (0, 1), (1, 1), (1, 0)]],
    [[(10, 10), (12, 10), (12, 13), (10, 13)]],
    [[(10, 10), (12, 10), (12, 13), (10, 13), (10, 10)]],
    [[(X, Y), (X + 1, Y), (X + 1, Y + 1), (X, Y + 1)]],
    [[(0, 0), (2, 2), (1, 1)]],
    [[(-5, -5), (-4, -5), (-4, -4)], [(20, 20), (20, 21), (21, 21)]],
]


def as_written(ring):
    """A ring closed and clockwise: a counter-clockwise one reversed from its first point."""
    closed = ring if ring[0] == ring[-1] else ring + ring[:1]
    (x0, y0), edges = closed[0], zip(closed, closed[1:])
    area = sum((xa - x0) * (yb - y0) - (xb - x0) * (ya - y0) for (xa, ya), (xb, yb) in edges)
    return closed[::-1] if area > 0 else closed


def grid_values(i, j):
    depth = 12345.67 if i == 0 else 1e12  # not set for i = 2: the value of i = 1 is kept
    first = 1234.5  # set on the first cell only, kept
    return [10 * i + j + 0.25, -(i + j) - 0.5, 35.5 - i, first, depth, None, i * j / 100]


def numeric(name, width=10, decimals=5):
    return [name, "N", width, decimals]


FITTED_VALUES = [
    [123456789.123, -0.000001, 1e15, 12345.67],
    [-5.5, 0.5, 1, 10000],
    [0, 1, 2, 20000.5],
    [12345.67, 2, 3, -3.25],
    [10000, 3, 4, 0],
    [None, None, 5, 99999.99],
]

# Each sample: its shape type, columns (names at most 10 bytes, unique ignoring case), and
# per record the points as written and the values, None for null.
GRID = [(i, j) for i in range(3) for j in range(4)]
CELLS = [(i, j) for i in (1, 2) for j in (1, 2, 3)]
SAMPLES = {
    "grid.shp": ("Polygon", [numeric(name) for name in (
        "Temperatur", "temperat_1", "Salinité", "Eaux saum", "Depth", "Unset", "Temperat_2")],
        [ring(grid_node, i, j, False) for i, j in GRID], [grid_values(i, j) for i, j in GRID]),
    "rings.shp": ("Polygon", [numeric("Shape")],
                  [[as_written(ring) for ring in shape] for shape in RINGS_GIVEN],
                  [[n] for n in range(1, 7)]),
    "cells.shp": ("Polygon", [numeric("I", 5, 0), numeric("J", 5, 0), numeric("J_1"),
                              numeric("Depth")],
                  [ring(option_node, i, j, True) for i, j in CELLS],
                  [[i, j, 10 * i + j + 0.5, None if (i, j) in {(1, 2), (2, 3)} else 1.25 * i * j]
                   for i, j in CELLS]),
    "particles.shp": ("Point", [numeric("I", 5, 0), numeric("I_1")],
                      [[[(p, -p)]] for p in (1, 2, 3)], [[p, 100 - p] for p in (1, 2, 3)]),
    # Columns fitted to their values: every digit kept, the decimals of the most precise value.
    "fitted.shp": ("Point", [numeric("Large", 13, 3), numeric("Tiny", 9, 6),
                             numeric("Huge", 16, 0), numeric("Temp", 8, 2)],
                   [[[(p, 0.0)]] for p in range(1, 7)], FITTED_VALUES),
    "empty.shp": ("Point", [numeric("Mass")], [], []),
}


def run(*command):
    """The standard output of a command that must succeed without a word on standard error."""
    result = subprocess.run(command, capture_output=True, text=True, encoding="utf-8")
    if result.returncode != 0 or result.stderr:
        raise AssertionError(f"{command} failed ({result.returncode}): {result.stderr}")
    return result.stdout


def parts(shape):
    """The parts of a pyshp shape, each a list of points; a point is a part of its own."""
    starts = list(getattr(shape, "parts", [])) or [0]
    ends = starts[1:] + [len(shape.points)]
    return [[tuple(p) for p in shape.points[start:end]] for start, end in zip(starts, ends)]


def extent(shapes):
    points = [point for shape in shapes for part in shape for point in part] or [(0, 0)]
    return (min(x for x, _ in points), min(y for _, y in points),
            max(x for x, _ in points), max(y for _, y in points))


def rings(geometry):
    """The rings of a GeoJSON geometry, a point as a ring of one."""
    if geometry["type"] == "Point":
        return [[tuple(geometry["coordinates"])]]
    polygons = geometry["coordinates"]
    if geometry["type"] == "Polygon":
        polygons = [polygons]
    return [[tuple(p) for p in ring] for polygon in polygons for ring in polygon]


def write_samples(program, folder):
    """Has the sample program write every sample into `folder`."""
    vertices = "".join(f"{shape} {7 - 4 * part} {x!r} {y!r}\n"
                       for shape, rings in enumerate(RINGS_GIVEN, 1)
                       for part, ring in enumerate(rings) for x, y in ring)
    subprocess.run([program, folder], input=vertices, text=True, check=True)


class ReadersReadSamples(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory()
        write_samples(PROGRAM, cls.folder.name)

    @classmethod
    def tearDownClass(cls):
        cls.folder.cleanup()

    def path(self, name):
        return os.path.join(self.folder.name, name)

    def assertValues(self, rows, expected):
        self.assertEqual(len(rows), len(expected))
        for row, want in zip(rows, expected):
            self.assertEqual([v if v is None else float(v) for v in row],
                             [v if v is None else float(v) for v in want])

    def test_pyshp(self):
        for name, (kind, fields, shapes, rows) in SAMPLES.items():
            with self.subTest(sample=name):
                with shapefile.Reader(self.path(name), encoding="utf-8") as reader:
                    self.assertEqual(reader.shapeType, getattr(shapefile, kind.upper()))
                    self.assertEqual([list(field) for field in reader.fields[1:]], fields)
                    self.assertEqual(tuple(reader.bbox), extent(shapes))
                    self.assertEqual([parts(reader.shape(n)) for n in range(len(reader))], shapes)
                    self.assertEqual([parts(shape) for shape in reader.iterShapes()], shapes)
                    self.assertValues([list(record) for record in reader.records()], rows)
            with open(self.path("grid.cpg"), "rb") as cpg:
                self.assertEqual(cpg.read(), b"UTF-8")

    def test_gdal(self):
        for name, (kind, fields, shapes, rows) in SAMPLES.items():
            with self.subTest(sample=name):
                summary = run(OGRINFO, "-ro", "-so", "-al", self.path(name))
                self.assertIn(f"Geometry: {kind}\nFeature Count: {len(rows)}\n", summary)
                if shapes:
                    self.assertIn("Extent: ({:.6f}, {:.6f}) - ({:.6f}, {:.6f})\n".format(
                        *extent(shapes)), summary)
                # The .cpg makes GDAL read the names as UTF-8.
                self.assertEqual(
                    re.findall(r"^(.+): (?:Real|Integer|Integer64) \((\d+)\.(\d+)\)$", summary,
                               re.MULTILINE),
                    [(field[0], str(field[2]), str(field[3])) for field in fields])
                features = json.loads(run(OGR2OGR, "-f", "GeoJSON", "/vsistdout/",
                                          self.path(name)))["features"]
                self.assertEqual([list(f["properties"]) for f in features],
                                 [[field[0] for field in fields]] * len(rows))
                self.assertValues([list(f["properties"].values()) for f in features], rows)
                self.assertEqual([rings(f["geometry"]) for f in features], shapes)

    def test_shapelib(self):
        for name, (kind, fields, shapes, rows) in SAMPLES.items():
            with self.subTest(sample=name):
                dump = run(SHPDUMP, "-validate", self.path(name))
                self.assertIn(f"Shapefile Type: {kind}   # of Shapes: {len(shapes)}\n", dump)
                if kind == "Polygon":
                    self.assertIn("\n0 object has invalid ring orderings.", dump)
                dump = run(DBFDUMP, "-h", self.path(name[:-4] + ".dbf")).splitlines()
                self.assertEqual(dump[:len(fields)], [
                    f"Field {k}: Type=N/{'Double' if decimals or width > 9 else 'Integer'}, "
                    f"Title=`{title}', Width={width}, Decimals={decimals}"
                    for k, (title, _, width, decimals) in enumerate(fields)])
                self.assertValues([[None if text == "(NULL)" else text for text in line.split()]
                                   for line in dump[len(fields) + 1:]], rows)

    def test_gdal_copies_fitted_columns_without_a_width_warning(self):
        run(OGR2OGR, "-f", "ESRI Shapefile", self.path("copy.shp"), self.path("fitted.shp"))
        with shapefile.Reader(self.path("copy.shp")) as copy:
            self.assertValues([list(record) for record in copy.records()], FITTED_VALUES)

if __name__ == "__main__":
    PROGRAM, OGRINFO, SHPDUMP, DBFDUMP = sys.argv[1:5]
    OGR2OGR = os.path.join(os.path.dirname(OGRINFO), "ogr2ogr")
    unittest.main(argv=sys.argv[:1], verbosity=2)
