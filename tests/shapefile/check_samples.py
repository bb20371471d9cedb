"""pyshp, GDAL and shapelib read the sample shapefiles that write_sample_shapefiles writes:
check_samples.py WRITE_SAMPLE_SHAPEFILES OGRINFO SHPDUMP DBFDUMP

The samples are described here independently of that program; the checks compare what each
reader finds in the files with this description.
"""

import json
import math
import os
import re
import subprocess
import sys
import tempfile
import unittest

import shapefile

PROGRAM = OGRINFO = SHPDUMP = DBFDUMP = ""  # set from the arguments

CELLS = [(i, j) for i in range(3) for j in range(4)]  # record order: i outer, j inner


def grid_node(i, j):
    return (100.0 + 10 * i + j, 50.0 + 5 * j - i)


def flipped_node(i, j):
    return (100.0 + 10 * i + j, 50.0 - 5 * j - i)


def cell_corners(node, i, j):
    return [node(i, j), node(i + 1, j), node(i + 1, j + 1), node(i, j + 1)]


def node_extent(node):
    points = [node(i, j) for i in range(4) for j in range(5)]
    xs = [x for x, _ in points]
    ys = [y for _, y in points]
    return (min(xs), min(ys), max(xs), max(ys))


# Column names as a dBASE table holds them: at most 10 bytes, unique ignoring case.
GRID_FIELDS = ["Temperatur", "temperat_1", "Salinité", "Eaux saum", "Depth", "Unset",
               "Temperat_2"]


def grid_values(i, j):
    depth = 12345.67 if i == 0 else 1e12  # not set for i = 2: the value of i = 1 is kept
    return [10 * i + j + 0.25, -(i + j) - 0.5, 35.5 - i, 1234.5, depth, None, i * j / 100]


PARTICLE_FIELDS = ["Mass", "Age"]
PARTICLES = [(1.5 * p, -2.0 * p) for p in range(5)]


def particle_values(p):
    return [p / 2, 100 - p]


def signed_area(ring):
    """Shoelace area of a closed ring, positive when it runs counter-clockwise."""
    return sum(x0 * y1 - x1 * y0 for (x0, y0), (x1, y1) in zip(ring, ring[1:])) / 2


class SamplesTestCase(unittest.TestCase):
    """Tests of the samples, written once into a temporary folder."""

    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory()
        subprocess.run([PROGRAM, cls.folder.name], check=True)

    @classmethod
    def tearDownClass(cls):
        cls.folder.cleanup()

    def path(self, name):
        return os.path.join(self.folder.name, name)

    def assertValues(self, values, expected):
        self.assertEqual(len(values), len(expected))
        for got, want in zip(values, expected):
            if want is None:
                self.assertIsNone(got)
            else:
                self.assertTrue(math.isclose(got, want, rel_tol=1e-12), f"{got} != {want}")

    def assertGridCellRing(self, points, i, j):
        """`points` run clockwise round the corners of grid cell (i, j), from its first corner
        back to it."""
        ring = [tuple(point) for point in points]
        corners = cell_corners(grid_node, i, j)
        self.assertEqual(ring[0], corners[0])
        self.assertEqual(ring[-1], corners[0])
        self.assertEqual(sorted(ring[:-1]), sorted(corners))
        self.assertLess(signed_area(ring), 0)


class PyshpReadsSamples(SamplesTestCase):
    def open(self, name):
        reader = shapefile.Reader(self.path(name), encoding="utf-8")
        self.addCleanup(reader.close)
        return reader

    def test_grid_cells_are_closed_clockwise_rings_with_their_values(self):
        reader = self.open("grid.shp")
        self.assertEqual(reader.shapeType, shapefile.POLYGON)
        self.assertEqual(len(reader), len(CELLS))
        self.assertEqual(tuple(reader.bbox), node_extent(grid_node))
        self.assertEqual([field[0] for field in reader.fields[1:]], GRID_FIELDS)
        for field in reader.fields[1:]:
            self.assertEqual(field[1:], ["N", 10, 5])
        for n, (i, j) in enumerate(CELLS):
            shape = reader.shape(n)  # through the .shx index
            self.assertEqual(list(shape.parts), [0])
            self.assertGridCellRing(shape.points, i, j)
            self.assertTrue(shapefile.is_cw(shape.points))
            self.assertValues(list(reader.record(n)), grid_values(i, j))
        self.assertEqual([list(s.points) for s in reader.iterShapes()],
                         [list(reader.shape(n).points) for n in range(len(reader))])

    def test_clockwise_cells_are_written_as_given(self):
        reader = self.open("flipped.shp")
        for n, (i, j) in enumerate(CELLS):
            corners = cell_corners(flipped_node, i, j)
            self.assertEqual([tuple(p) for p in reader.shape(n).points],
                             corners + [corners[0]])
            self.assertEqual(list(reader.record(n)), [4 * i + j])

    def test_particles(self):
        reader = self.open("particles.shp")
        self.assertEqual(reader.shapeType, shapefile.POINT)
        self.assertEqual([field[0] for field in reader.fields[1:]], PARTICLE_FIELDS)
        self.assertEqual([tuple(s.points[0]) for s in reader.shapes()], PARTICLES)
        for p in range(len(PARTICLES)):
            self.assertValues(list(reader.record(p)), particle_values(p))

    def test_empty_file(self):
        reader = self.open("empty.shp")
        self.assertEqual(reader.shapeType, shapefile.POINT)
        self.assertEqual(len(reader), 0)
        self.assertEqual(list(reader.bbox), [0, 0, 0, 0])
        self.assertEqual([field[0] for field in reader.fields[1:]], ["Mass"])
        self.assertEqual(reader.records(), [])

    def test_code_page_file_names_utf8(self):
        with open(self.path("grid.cpg"), "rb") as cpg:
            self.assertEqual(cpg.read(), b"UTF-8")


def run(*command):
    """The standard output of a command that must succeed without a word on standard error."""
    result = subprocess.run(command, capture_output=True, text=True, encoding="utf-8")
    if result.returncode != 0 or result.stderr:
        raise AssertionError(f"{command} failed ({result.returncode}): {result.stderr}")
    return result.stdout


class GdalAndShapelibReadSamples(SamplesTestCase):
    def summary(self, name):
        return run(OGRINFO, "-ro", "-so", "-al", self.path(name))

    def features(self, name):
        """The features as GDAL reads them, through ogr2ogr's GeoJSON."""
        ogr2ogr = os.path.join(os.path.dirname(OGRINFO), "ogr2ogr")
        text = run(ogr2ogr, "-f", "GeoJSON", "/vsistdout/", self.path(name))
        return json.loads(text)["features"]

    def assertProperties(self, properties, names, expected):
        self.assertEqual(list(properties), names)
        self.assertValues(list(properties.values()), expected)

    def test_ogrinfo_summary_of_the_grid(self):
        summary = self.summary("grid.shp")
        self.assertIn("Geometry: Polygon\n", summary)
        self.assertIn(f"Feature Count: {len(CELLS)}\n", summary)
        x0, y0, x1, y1 = node_extent(grid_node)
        self.assertIn(f"Extent: ({x0:.6f}, {y0:.6f}) - ({x1:.6f}, {y1:.6f})\n", summary)
        # The .cpg makes GDAL read the names as UTF-8.
        fields = re.findall(r"^(.+): Real \(10\.5\)$", summary, re.MULTILINE)
        self.assertEqual(fields, GRID_FIELDS)

    def test_gdal_reads_clockwise_closed_rings_and_values(self):
        features = self.features("grid.shp")
        self.assertEqual(len(features), len(CELLS))
        for feature, (i, j) in zip(features, CELLS):
            self.assertEqual(feature["geometry"]["type"], "Polygon")
            rings = feature["geometry"]["coordinates"]
            self.assertEqual(len(rings), 1)
            self.assertGridCellRing(rings[0], i, j)
            self.assertProperties(feature["properties"], GRID_FIELDS,
                                  grid_values(i, j))

    def test_gdal_reads_particles_and_the_empty_file(self):
        features = self.features("particles.shp")
        self.assertEqual([tuple(f["geometry"]["coordinates"]) for f in features],
                         PARTICLES)
        for p, feature in enumerate(features):
            self.assertEqual(feature["geometry"]["type"], "Point")
            self.assertProperties(feature["properties"], PARTICLE_FIELDS,
                                  particle_values(p))
        summary = self.summary("empty.shp")
        self.assertIn("Geometry: Point\n", summary)
        self.assertIn("Feature Count: 0\n", summary)
        self.assertIn("Mass: Real (10.5)\n", summary)

    def test_shpdump_validates_ring_order(self):
        for name in ("grid.shp", "flipped.shp"):
            dump = run(SHPDUMP, "-validate", self.path(name))
            self.assertIn(f"Shapefile Type: Polygon   # of Shapes: {len(CELLS)}\n", dump)
            self.assertEqual(dump.count("nVertices=5, nParts=1"), len(CELLS))
            self.assertNotIn("wrong direction", dump)
            self.assertIn("\n0 object has invalid ring orderings.", dump)

    def test_dbfdump_reads_the_table(self):
        dump = run(DBFDUMP, "-h", self.path("grid.dbf")).splitlines()
        for k, name in enumerate(GRID_FIELDS):
            self.assertEqual(dump[k],
                             f"Field {k}: Type=N/Double, Title=`{name}', Width=10, Decimals=5")
        rows = dump[len(GRID_FIELDS) + 1:]
        self.assertEqual(len(rows), len(CELLS))
        for row, (i, j) in zip(rows, CELLS):
            self.assertValues([None if text == "(NULL)" else float(text) for text in row.split()],
                              grid_values(i, j))


if __name__ == "__main__":
    PROGRAM, OGRINFO, SHPDUMP, DBFDUMP = sys.argv[1:5]
    unittest.main(argv=sys.argv[:1], verbosity=2)
