#!/usr/bin/python3
"""Runs the real tesselar-convert on generated grid and particle files and checks what it
writes with independent readers: pyshp and GDAL's ogrinfo.

    convert_end_to_end.py TESSELAR_CONVERT OGRINFO
"""

import math
import pathlib
import subprocess
import sys
import tempfile
import unittest

import shapefile

CONVERT = ""
OGRINFO = ""

NODES_I = 7
NODES_J = 5
PARTICLES = 10


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


def write_particles(folder):
    header = [f"SIZE_I : {PARTICLES + 1}"]
    x_text = [three_decimals(431000.0 + 37.7 * p) for p in range(1, PARTICLES + 1)]
    y_text = [three_decimals(4512000.0 - 11.3 * p * p) for p in range(1, PARTICLES + 1)]
    depth_text = [three_decimals(0.37 * p) for p in range(1, PARTICLES + 1)]
    write_data_file(folder / "px.dat", header, x_text)
    write_data_file(folder / "py.dat", header, y_text)
    write_data_file(folder / "depth.dat", ["Depth (m)"], depth_text)
    return [((round(float(x), 2), round(float(y), 2)), round(float(d), 2))
            for x, y, d in zip(x_text, y_text, depth_text)]


def convert(*arguments):
    return subprocess.run([CONVERT, *map(str, arguments)], capture_output=True, text=True,
                          check=False)


def grid_arguments(folder, output):
    return ["-x", folder / "x.dat", "-y", folder / "y.dat", "-a", f"Temp={folder / 'temp.dat'}",
            "-a", f"Salinity={folder / 'sal.dat'}", "-o", output]


def ogrinfo_summary(path):
    result = subprocess.run([OGRINFO, "-ro", "-so", "-al", str(path)], capture_output=True,
                            text=True, check=True)
    return result.stdout


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


class PolygonConversion(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.temporary = tempfile.TemporaryDirectory()
        cls.folder = pathlib.Path(cls.temporary.name)
        cls.nodes, cls.values = write_grid(cls.folder)
        cls.output = cls.folder / "estuary.shp"
        cls.result = convert(*grid_arguments(cls.folder, cls.folder / "estuary"))

    @classmethod
    def tearDownClass(cls):
        cls.temporary.cleanup()

    def setUp(self):
        self.assertEqual(self.result.returncode, 0, self.result.stderr)

    def test_reports_success_on_standard_output(self):
        self.assertEqual(self.result.stdout,
                         f"Polygon Shape File '{self.output}' was created with success\n")
        self.assertEqual(self.result.stderr, "")

    def test_one_polygon_per_cell_with_a_numeric_column_per_attribute(self):
        with shapefile.Reader(str(self.output)) as reader:
            self.assertEqual(reader.shapeType, shapefile.POLYGON)
            self.assertEqual(len(reader), (NODES_I - 1) * (NODES_J - 1))
            self.assertEqual([field[:4] for field in reader.fields[1:]],
                             [["Temp", "N", 10, 5], ["Salinity", "N", 10, 5]])

    def test_cells_are_closed_clockwise_rings_of_their_rounded_nodes(self):
        with shapefile.Reader(str(self.output)) as reader:
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

    def test_sample_cell_keeps_the_rounded_node_coordinates(self):
        with shapefile.Reader(str(self.output)) as reader:
            record = (3 - 1) * (NODES_J - 1) + (2 - 1)  # cell (3, 2)
            points = sorted(tuple(point) for point in reader.shape(record).points[:-1])
        expected = sorted(self.nodes[node] for node in [(3, 2), (4, 2), (4, 3), (3, 3)])
        for point, node in zip(points, expected, strict=True):
            self.assertAlmostEqual(point[0], node[0], places=6)
            self.assertAlmostEqual(point[1], node[1], places=6)

    def test_gdal_sees_the_same_file(self):
        summary = ogrinfo_summary(self.output)
        self.assertIn("Geometry: Polygon", summary)
        self.assertIn(f"Feature Count: {(NODES_I - 1) * (NODES_J - 1)}", summary)
        self.assertIn("Temp: Real (10.5)", summary)
        self.assertIn("Salinity: Real (10.5)", summary)
        xs = [x for x, _ in self.nodes.values()]
        ys = [y for _, y in self.nodes.values()]
        self.assertIn(f"Extent: ({min(xs):.6f}, {min(ys):.6f}) - ({max(xs):.6f}, {max(ys):.6f})",
                      summary)


class PointConversion(unittest.TestCase):
    def test_one_point_per_particle_with_its_values(self):
        with tempfile.TemporaryDirectory() as name:
            folder = pathlib.Path(name)
            particles = write_particles(folder)
            output = folder / "drifters.shp"
            result = convert("--type=point", "--x-file", folder / "px.dat", "--y-file",
                             folder / "py.dat", "--attribute", f"Depth={folder / 'depth.dat'}",
                             "--output", output)
            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertEqual(result.stdout,
                             f"Point Shape File '{output}' was created with success\n")

            with shapefile.Reader(str(output)) as reader:
                self.assertEqual(reader.shapeType, shapefile.POINT)
                self.assertEqual(len(reader), PARTICLES)
                for shape_record, (position, depth) in zip(reader.iterShapeRecords(), particles):
                    self.assertEqual(len(shape_record.shape.points), 1)
                    x, y = shape_record.shape.points[0]
                    self.assertAlmostEqual(x, position[0], places=6)
                    self.assertAlmostEqual(y, position[1], places=6)
                    self.assertEqual(shape_record.record[0], depth)
            summary = ogrinfo_summary(output)
            self.assertIn("Geometry: Point", summary)
            self.assertIn(f"Feature Count: {PARTICLES}", summary)
            self.assertIn("Depth: Real (10.5)", summary)


class Failures(unittest.TestCase):
    """A failed conversion exits with 1, names the file concerned, and leaves the shape file
    that was at the output path byte for byte as it was, with no temporary file beside it."""

    def setUp(self):
        self.temporary = tempfile.TemporaryDirectory()
        root = pathlib.Path(self.temporary.name)
        self.inputs = root / "inputs"
        self.outputs = root / "outputs"
        self.inputs.mkdir()
        self.outputs.mkdir()
        write_grid(self.inputs)
        self.output = self.outputs / "estuary.shp"
        earlier = convert(*grid_arguments(self.inputs, self.output))
        self.assertEqual(earlier.returncode, 0, earlier.stderr)
        self.before = self.snapshot()

    def tearDown(self):
        self.temporary.cleanup()

    def snapshot(self):
        return {path.name: path.read_bytes() for path in self.outputs.iterdir()}

    def assert_failed_naming(self, result, name):
        self.assertEqual(result.returncode, 1, result.stderr)
        self.assertEqual(result.stdout, "")
        self.assertTrue(result.stderr.startswith("tesselar-convert: "), result.stderr)
        self.assertIn(name, result.stderr)
        self.assertEqual(result.stderr.count("\n"), 1, result.stderr)
        self.assertEqual(self.snapshot(), self.before)

    def test_missing_input_file(self):
        missing = self.inputs / "no_such_x.dat"
        arguments = grid_arguments(self.inputs, self.output)
        arguments[1] = missing
        self.assert_failed_naming(convert(*arguments), str(missing))

    def test_attribute_file_with_too_few_values(self):
        short = self.inputs / "short.dat"
        write_data_file(short, ["Salinity"], ["1.0"] * 5)
        arguments = grid_arguments(self.inputs, self.output)
        arguments[7] = f"Salinity={short}"
        self.assert_failed_naming(convert(*arguments), str(short))

    def test_output_folder_that_does_not_exist(self):
        target = self.outputs / "no" / "such" / "folder" / "estuary.shp"
        self.assert_failed_naming(convert(*grid_arguments(self.inputs, target)),
                                  str(target.parent))
        self.assertFalse((self.outputs / "no").exists())

    def test_usage_error(self):
        result = convert("-x", self.inputs / "x.dat", "-o", self.output)
        self.assertEqual(result.returncode, 2)
        self.assertEqual(result.stdout, "")
        self.assertIn("\nUsage: tesselar-convert ", result.stderr)
        self.assertEqual(self.snapshot(), self.before)


if __name__ == "__main__":
    CONVERT, OGRINFO = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1], verbosity=2)
