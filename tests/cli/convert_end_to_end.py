#!/usr/bin/python3
"""Runs the real tesselar-convert and reads what it writes with independent readers, pyshp and
GDAL's ogrinfo: a generated grid whose every cell is known, and the shipped examples, which
examples/make_examples.py must write exactly as committed.

    convert_end_to_end.py TESSELAR_CONVERT OGRINFO EXAMPLES_FOLDER
"""

import math
import os
import pathlib
import re
import subprocess
import sys
import tempfile
import unittest

import shapefile

CONVERT = ""
OGRINFO = ""
EXAMPLES = pathlib.Path()

NODES_I = 7
NODES_J = 5


def three_decimals(value):
    """The value as a line of an input file, with 3 decimals but never a 5 in the third, so
    that rounding it to 2 decimals has one answer."""
    text = f"{value:.3f}"
    return f"{value + 0.001:.3f}" if text.endswith("5") else text


def node_x(i, j):
    return 431250.0 + 120.0 * i + 35.0 * j + 9.0 * math.sin(i * j)


def node_y(i, j):
    return 4512300.0 - 20.0 * i + 95.0 * j + 7.0 * math.cos(i + 2 * j)


def cell_temperature(i, j):
    return 12.0 + 0.731 * i - 0.417 * j


def cell_salinity(i, j):
    return -0.5 + 6.123 * i + 1.77 * j  # the first cells are negative, as a sentinel might be


def write_data_file(path, header, values, line_break="\n"):
    lines = ["Nerasco test file", *header, "<BeginData>", *values, "<EndData>"]
    path.write_bytes(line_break.join(lines).encode("ascii") + line_break.encode("ascii"))


def write_grid(folder):
    """The grid files and two attribute files; returns the nodes and cells as the reader must
    keep them, rounded to 2 decimals."""
    header = [f"SIZE_I : {NODES_I}", f"SIZE_J : {NODES_J}"]
    nodes = [(i, j) for i in range(1, NODES_I + 1) for j in range(1, NODES_J + 1)]
    x_text = [three_decimals(node_x(i, j)) for i, j in nodes]
    y_text = [three_decimals(node_y(i, j)) for i, j in nodes]
    write_data_file(folder / "x.dat", header, x_text)
    write_data_file(folder / "y.dat", header, y_text, "\r\n")  # written on Windows

    cells = [(i, j) for i in range(1, NODES_I) for j in range(1, NODES_J)]
    temperature = [three_decimals(cell_temperature(i, j)) for i, j in cells]
    salinity = [three_decimals(cell_salinity(i, j)) for i, j in cells]
    write_data_file(folder / "temp.dat", ["Water temperature"], temperature)
    write_data_file(folder / "sal.dat", ["Salinity"], salinity)

    coordinates = {
        node: (round(float(x), 2), round(float(y), 2))
        for node, x, y in zip(nodes, x_text, y_text)
    }
    values = {
        cell: (round(float(t), 2), round(float(s), 2))
        for cell, t, s in zip(cells, temperature, salinity)
    }
    return coordinates, values


def convert(*arguments):
    return subprocess.run([CONVERT, *map(str, arguments)], capture_output=True, text=True,
                          check=False)


def ogrinfo(*arguments):
    result = subprocess.run([OGRINFO, "-ro", *map(str, arguments)], capture_output=True,
                            text=True, check=True)
    return result.stdout + result.stderr


def signed_area(points):
    return sum(x0 * y1 - x1 * y0 for (x0, y0), (x1, y1) in zip(points, points[1:])) / 2.0


def is_ring_of(points, corners):
    """True when `points` is the ring of `corners`, closed, from any corner either way."""
    if len(points) != len(corners) + 1 or tuple(points[0]) != tuple(points[-1]):
        return False
    ring = [tuple(point) for point in points[:-1]]
    for order in (corners, corners[::-1]):
        for start in range(len(order)):
            rotated = order[start:] + order[:start]
            if all(math.isclose(a, b, abs_tol=1e-6)
                   for p, q in zip(ring, rotated) for a, b in zip(p, q)):
                return True
    return False


class GeneratedGrid(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.temporary = tempfile.TemporaryDirectory()
        cls.folder = pathlib.Path(cls.temporary.name)
        cls.nodes, cls.values = write_grid(cls.folder)
        cls.output = cls.folder / "estuary.shp"
        folder = cls.folder
        cls.result = convert("-x", folder / "x.dat", "-y", folder / "y.dat",
                             "-a", f"Temp={folder / 'temp.dat'}",
                             "-a", f"Salinity={folder / 'sal.dat'}", "-o", folder / "estuary")

    @classmethod
    def tearDownClass(cls):
        cls.temporary.cleanup()

    def setUp(self):
        self.assertEqual(self.result.returncode, 0, self.result.stderr)

    def test_reports_success_on_standard_output(self):
        self.assertEqual(self.result.stdout,
                         f"Polygon Shape File '{self.output}' was created with success\n")
        self.assertEqual(self.result.stderr, "")

    def test_cells_are_closed_clockwise_rings_of_their_rounded_nodes_with_their_values(self):
        with shapefile.Reader(str(self.output)) as reader:
            self.assertEqual(reader.shapeType, shapefile.POLYGON)
            self.assertEqual(len(reader), (NODES_I - 1) * (NODES_J - 1))
            self.assertEqual([field[:4] for field in reader.fields[1:]],
                             [["Temp", "N", 10, 5], ["Salinity", "N", 10, 5]])
            for index, shape_record in enumerate(reader.iterShapeRecords()):
                i, j = divmod(index, NODES_J - 1)
                i, j = i + 1, j + 1
                corners = [self.nodes[(i, j)], self.nodes[(i + 1, j)],
                           self.nodes[(i + 1, j + 1)], self.nodes[(i, j + 1)]]
                points = shape_record.shape.points
                with self.subTest(cell=(i, j)):
                    self.assertEqual(list(shape_record.shape.parts), [0])
                    self.assertTrue(is_ring_of(points, corners), f"{points} vs {corners}")
                    self.assertLess(signed_area(points), 0.0)
                    self.assertEqual(list(shape_record.record), list(self.values[(i, j)]))


class Examples(unittest.TestCase):
    def setUp(self):
        self.temporary = tempfile.TemporaryDirectory()
        self.folder = pathlib.Path(self.temporary.name)
        self.estuary = EXAMPLES / "estuary"

    def tearDown(self):
        self.temporary.cleanup()

    def convert_quietly(self, *arguments):
        result = convert("-q", *arguments)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stdout + result.stderr, "")

    def assert_read_in_full(self, path, geometry, count, fields):
        summary = ogrinfo("-so", "-al", path)
        self.assertIn(f"Geometry: {geometry}", summary)
        self.assertIn(f"Feature Count: {count}", summary)
        for field in fields:
            self.assertIn(f"{field}: Real (10.5)", summary)
        features = ogrinfo("-al", "-q", path)
        self.assertNotIn("ERROR", features)
        self.assertEqual(len(re.findall(r"^OGRFeature\(", features, re.MULTILINE)), count)

    def test_generator_writes_the_committed_files(self):
        subprocess.run([sys.executable, EXAMPLES / "make_examples.py", "--output", self.folder],
                       check=True)
        generated = sorted(path.name for path in self.folder.iterdir())
        self.assertEqual(generated, sorted(path.name for path in self.estuary.iterdir()))
        for name in generated:
            with self.subTest(file=name):
                self.assertEqual((self.folder / name).read_bytes(),
                                 (self.estuary / name).read_bytes())

    def test_grid_converts_to_polygons(self):
        output = self.folder / "estuary.shp"
        self.convert_quietly("-x", self.estuary / "grid_x.dat", "-y", self.estuary / "grid_y.dat",
                             "-a", f"Temp={self.estuary / 'temperature.dat'}",
                             "-a", f"Salinity={self.estuary / 'salinity.dat'}", "-o", output)
        self.assert_read_in_full(output, "Polygon", 59 * 39, ["Temp", "Salinity"])

    def test_particles_convert_to_points(self):
        output = self.folder / "particles.shp"
        self.convert_quietly("-t", "point", "-x", self.estuary / "particles_x.dat",
                             "-y", self.estuary / "particles_y.dat",
                             "-a", f"Depth={self.estuary / 'particles_depth.dat'}", "-o", output)
        self.assert_read_in_full(output, "Point", 200, ["Depth"])


class ClosedStandardOutput(unittest.TestCase):
    """Standard output a pipe whose reader has gone, as in `tesselar-convert ... | true`."""

    def test_completed_conversion_succeeds_and_reports_the_lost_line_on_stderr(self):
        with tempfile.TemporaryDirectory() as name:
            folder = pathlib.Path(name)
            _, values = write_grid(folder)
            read_end, write_end = os.pipe()
            os.close(read_end)
            try:
                result = subprocess.run(
                    [CONVERT, "-x", folder / "x.dat", "-y", folder / "y.dat",
                     "-a", f"Temp={folder / 'temp.dat'}", "-o", folder / "estuary"],
                    stdout=write_end, stderr=subprocess.PIPE, text=True, check=False,
                    env={**os.environ, "LC_ALL": "C"})  # the system's reason in English
            finally:
                os.close(write_end)

            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertEqual(result.stderr, "tesselar-convert: warning: cannot write to standard "
                                            "output: Broken pipe\n")
            with shapefile.Reader(str(folder / "estuary.shp")) as reader:
                self.assertEqual(reader.shapeType, shapefile.POLYGON)
                self.assertEqual([list(record) for record in reader.records()],
                                 [[temperature] for (temperature, _) in values.values()])


class UsageError(unittest.TestCase):
    def test_exits_with_2_and_the_usage_and_writes_nothing(self):
        with tempfile.TemporaryDirectory() as name:
            folder = pathlib.Path(name)
            result = convert("-x", folder / "x.dat", "-o", folder / "estuary.shp")
            self.assertEqual(result.returncode, 2)
            self.assertEqual(result.stdout, "")
            self.assertIn("\nUsage: tesselar-convert ", result.stderr)
            self.assertEqual(list(folder.iterdir()), [])


if __name__ == "__main__":
    CONVERT, OGRINFO, EXAMPLES = sys.argv[1], sys.argv[2], pathlib.Path(sys.argv[3])
    unittest.main(argv=sys.argv[:1], verbosity=2)
