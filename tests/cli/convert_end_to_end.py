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

from harness import ogr_summary, run, write

NODES_I, NODES_J = 7, 5


def three_decimals(value):
    """The value with 3 decimals but never a 5 in the third: rounding it to 2 has one answer."""
    text = f"{value:.3f}"
    return f"{value + 0.001:.3f}" if text.endswith("5") else text


def write_grid(folder):
    """The grid files and two attribute files (y written on Windows); returns the nodes and
    cells as the reader must keep them, rounded to 2 decimals."""
    nodes = [(i, j) for i in range(1, NODES_I + 1) for j in range(1, NODES_J + 1)]
    cells = [(i, j) for i in range(1, NODES_I) for j in range(1, NODES_J)]
    x = [three_decimals(431250 + 120 * i + 35 * j + 9 * math.sin(i * j)) for i, j in nodes]
    y = [three_decimals(4512300 - 20 * i + 95 * j + 7 * math.cos(i + 2 * j)) for i, j in nodes]
    temp = [three_decimals(12 + 0.731 * i - 0.417 * j) for i, j in cells]
    sal = [three_decimals(-0.5 + 6.123 * i + 1.77 * j) for i, j in cells]  # negatives first
    header = [f"SIZE_I : {NODES_I}", f"SIZE_J : {NODES_J}"]
    write(folder / "x.dat", header, x)
    write(folder / "y.dat", header, y, "\r\n")
    write(folder / "temp.dat", ["Water temperature"], temp)
    write(folder / "sal.dat", ["Salinity"], sal)
    return ({node: (round(float(a), 2), round(float(b), 2)) for node, a, b in zip(nodes, x, y)},
            {cell: [round(float(t), 2), round(float(s), 2)] for cell, t, s in zip(cells, temp, sal)})


def grid_args(folder):
    return ["-x", folder / "x.dat", "-y", folder / "y.dat", "-a", f"Temp={folder / 'temp.dat'}"]


class Conversions(unittest.TestCase):
    def setUp(self):
        self.temporary = tempfile.TemporaryDirectory()
        self.folder = pathlib.Path(self.temporary.name)
        self.addCleanup(self.temporary.cleanup)

    def test_cells_are_closed_clockwise_rings_of_their_rounded_nodes_with_their_values(self):
        nodes, values = write_grid(self.folder)
        output = self.folder / "estuary.shp"
        result = run(CONVERT, *grid_args(self.folder), "-a", f"Salinity={self.folder / 'sal.dat'}",
                     "-o", self.folder / "estuary")
        self.assertEqual((result.returncode, result.stderr), (0, ""))
        self.assertEqual(result.stdout, f"Polygon Shape File '{output}' was created with success\n")
        with shapefile.Reader(str(output)) as reader:
            self.assertEqual(reader.shapeType, shapefile.POLYGON)
            self.assertEqual([field[:4] for field in reader.fields[1:]],
                             [["Temp", "N", 10, 5], ["Salinity", "N", 10, 5]])
            self.assertEqual(len(reader), len(values))
            for (i, j), shape_record in zip(values, reader.iterShapeRecords()):
                points = [tuple(round(v, 6) for v in point) for point in shape_record.shape.points]
                corners = [nodes[(i, j)], nodes[(i + 1, j)], nodes[(i + 1, j + 1)],
                           nodes[(i, j + 1)]]
                rings = [c[k:] + c[:k] for c in (corners, corners[::-1]) for k in range(4)]
                area = sum(x0 * y1 - x1 * y0 for (x0, y0), (x1, y1) in zip(points, points[1:]))
                with self.subTest(cell=(i, j)):
                    self.assertEqual(points[0], points[-1])
                    self.assertIn(points[:-1], rings)
                    self.assertLess(area, 0.0)  # clockwise
                    self.assertEqual(list(shape_record.record), values[(i, j)])

    def test_examples_are_generated_as_committed_and_read_in_full_by_ogrinfo(self):
        subprocess.run([sys.executable, EXAMPLES / "make_examples.py", "--output", self.folder],
                       check=True)
        estuary = EXAMPLES / "estuary"
        self.assertEqual(sorted(path.name for path in self.folder.iterdir()),
                         sorted(path.name for path in estuary.iterdir()))
        for path in estuary.iterdir():
            self.assertEqual((self.folder / path.name).read_bytes(), path.read_bytes(), path)
        for args, geometry, count, fields in (
                (["-x", "grid_x.dat", "-y", "grid_y.dat", "-a", "Temp=temperature.dat",
                  "-a", "Salinity=salinity.dat"], "Polygon", 59 * 39, ["Temp", "Salinity"]),
                (["-t", "point", "-x", "particles_x.dat", "-y", "particles_y.dat",
                  "-a", "Depth=particles_depth.dat"], "Point", 200, ["Depth"])):
            output = self.folder / f"{geometry}.shp"
            result = run(CONVERT, "-q", *args, "-o", output, cwd=estuary)
            self.assertEqual((result.returncode, result.stdout + result.stderr), (0, ""))
            summary = ogr_summary(OGRINFO, output)
            for expected in [f"Geometry: {geometry}", f"Feature Count: {count}",
                             *[f"{field}: Real (10.5)" for field in fields]]:
                self.assertIn(expected, summary)
            features = run(OGRINFO, "-ro", "-al", "-q", output)
            self.assertNotIn("ERROR", features.stdout + features.stderr)
            self.assertEqual(len(re.findall(r"^OGRFeature\(", features.stdout, re.M)), count)

    def test_closed_standard_output_is_a_warning_after_the_conversion(self):
        # As in `tesselar-convert ... | true`: the reader of standard output has gone.
        write_grid(self.folder)
        read_end, write_end = os.pipe()
        os.close(read_end)
        with open(write_end, "wb") as closed:
            result = subprocess.run([CONVERT, *map(str, grid_args(self.folder)),
                                     "-o", self.folder / "estuary"], stdout=closed,
                                    stderr=subprocess.PIPE, text=True, check=False,
                                    env={**os.environ, "LC_ALL": "C"})
        self.assertEqual((result.returncode, result.stderr),
                         (0, "tesselar-convert: warning: cannot write to standard output: "
                             "Broken pipe\n"))
        self.assertTrue((self.folder / "estuary.dbf").exists())

    def test_usage_error_exits_with_2_and_the_usage_and_writes_nothing(self):
        result = run(CONVERT, "-x", self.folder / "x.dat", "-o", self.folder / "estuary.shp")
        self.assertEqual((result.returncode, result.stdout), (2, ""))
        self.assertRegex(result.stderr, r"^tesselar-convert: .*\nUsage: tesselar-convert -x ")
        self.assertEqual(list(self.folder.iterdir()), [])
        # Help and version go to standard output.
        for option, start in (("--help", "Usage: tesselar-convert -x"),
                              ("--version", "tesselar-convert ")):
            result = run(CONVERT, option)
            self.assertEqual((result.returncode, result.stdout[:len(start)]), (0, start))


if __name__ == "__main__":
    CONVERT, OGRINFO, EXAMPLES = sys.argv[1], sys.argv[2], pathlib.Path(sys.argv[3])
    unittest.main(argv=sys.argv[:1], verbosity=2)
