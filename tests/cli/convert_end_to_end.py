#!/usr/bin/python3
"""Runs the real tesselar-convert and reads what it writes with independent readers, pyshp and
GDAL (ogrinfo, gdalsrsinfo, ogr2ogr): the shipped examples, which examples/make_examples.py
must write exactly as committed, and the options for GIS use (--crs and the .prj beside the X
axys file, --keep-digits, --fit-columns, --nodata, --cell-index).

    convert_end_to_end.py TESSELAR_CONVERT OGRINFO EXAMPLES_FOLDER GDALSRSINFO OGR2OGR
"""

import os
import pathlib
import re
import subprocess
import sys
import tempfile
import unittest
from decimal import ROUND_HALF_EVEN, Decimal
from fractions import Fraction

import shapefile

from harness import ogr_summary, run, write


def hundredths(text):
    """The number of a value text rounded to 2 decimals, halves to even, as a fraction."""
    return Fraction(Decimal(text).quantize(Decimal("0.01"), rounding=ROUND_HALF_EVEN))


def area(ring):
    """The signed area of a ring of points, by the shoelace formula."""
    return sum(a[0] * b[1] - b[0] * a[1] for a, b in zip(ring, ring[1:] + ring[:1])) / 2


def crosses(ring):
    """Whether an edge of a ring of four points crosses or touches the edge opposite it."""
    def turn(a, b, c):
        cross = (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0])
        return (cross > 0) - (cross < 0)

    def meet(p, q, r, s):
        if len({p, q, r, s}) < 4:
            return False  # a repeated corner: a triangle, judged by its area
        turns = [turn(p, q, r), turn(p, q, s), turn(r, s, p), turn(r, s, q)]
        return turns[0] * turns[1] <= 0 and turns[2] * turns[3] <= 0 and any(turns)

    return meet(*ring) or meet(ring[1], ring[2], ring[3], ring[0])


def srs(*arguments):
    return subprocess.run([GDALSRSINFO, *map(str, arguments)], capture_output=True, text=True,
                          check=True).stdout


class Conversions(unittest.TestCase):
    def setUp(self):
        temporary = tempfile.TemporaryDirectory()
        self.addCleanup(temporary.cleanup)
        self.folder = pathlib.Path(temporary.name)
        self.sidecar = self.folder / "x.prj"

    def grid(self, x, y, nodes_i, nodes_j, cells, kind="polygon"):
        header = [f"SIZE_I : {nodes_i}"] + ([f"SIZE_J : {nodes_j}"] if nodes_j else [])
        write(self.folder / "x.dat", header, x)
        write(self.folder / "y.dat", [], y)
        write(self.folder / "t.dat", ["Water temperature"], cells)
        self.kind = kind

    def small_grid(self, cells=("1",) * 4):
        """3 x 3 nodes 100 m apart, in metres: 2 x 2 cells."""
        nodes = [(i, j) for i in range(3) for j in range(3)]
        self.grid([f"{431250 + 100 * i}.004" for i, _ in nodes],
                  [f"{4512300 + 100 * j}.004" for _, j in nodes], 3, 3, cells)

    def args(self):
        return ["-t", self.kind, "-x", self.folder / "x.dat", "-y", self.folder / "y.dat", "-a",
                f"Temp={self.folder / 't.dat'}", "-o", self.folder / "out.shp"]

    def convert(self, *options, status=0, sidecar=None):
        self.sidecar.unlink(missing_ok=True)
        if sidecar is not None:
            self.sidecar.write_text(sidecar)
        result = run(CONVERT, *self.args(), *options)
        self.assertEqual(result.returncode, status, result.stderr)
        return result.stderr

    def shapes_and_records(self):
        with shapefile.Reader(str(self.folder / "out.shp")) as reader:
            return ([[tuple(point) for point in shape.points] for shape in reader.iterShapes()],
                    [field[:4] for field in reader.fields[1:]],
                    [list(record) for record in reader.records()])

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
        self.small_grid()
        read_end, write_end = os.pipe()
        os.close(read_end)
        with open(write_end, "wb") as closed:
            result = subprocess.run([CONVERT, *map(str, self.args())], stdout=closed,
                                    stderr=subprocess.PIPE, text=True, check=False,
                                    env={**os.environ, "LC_ALL": "C"})
        self.assertEqual((result.returncode, result.stderr),
                         (0, "tesselar-convert: warning: cannot write to standard output: "
                             "Broken pipe\n"))
        self.assertTrue((self.folder / "out.dbf").exists())

    def test_usage_error_exits_with_2_and_the_usage_and_writes_nothing(self):
        result = run(CONVERT, "-x", self.folder / "x.dat", "-o", self.folder / "out.shp")
        self.assertEqual((result.returncode, result.stdout), (2, ""))
        self.assertRegex(result.stderr, r"^tesselar-convert: .*\nUsage: tesselar-convert -x ")
        self.assertEqual(list(self.folder.iterdir()), [])
        # Help and version go to standard output.
        for option, start in (("--help", "Usage: tesselar-convert -x"),
                              ("--version", "tesselar-convert ")):
            result = run(CONVERT, option)
            self.assertEqual((result.returncode, result.stdout[:len(start)]), (0, start))

    def test_prj_names_the_code_given_by_the_option_or_the_sidecar(self):
        self.small_grid()
        for code, options, sidecar in (
                (4326, ["--crs", "EPSG:4326"], None),
                (32633, ["--crs", "EPSG:32633"], srs("-o", "wkt_esri", "EPSG:4326")),  # option wins
                (3857, [], "EPSG:3857")):
            self.convert(*options, sidecar=sidecar)
            found = srs("-e", self.folder / "out.prj")
            self.assertEqual(int(re.search(r"^EPSG:(\d+)$", found, re.M).group(1)), code)
        # "none" writes no .prj beside a sidecar, and removes the earlier one.
        self.convert("--crs", "none", sidecar="EPSG:3857")
        self.assertFalse((self.folder / "out.prj").exists())

    def test_coordinate_system_proj_cannot_read_is_refused_before_anything_is_written(self):
        self.small_grid()
        for options, sidecar, status, named in (
                (["--crs", "EPSG:4326x"], None, 2, "option --crs: Coordinate system 'EPSG:4326x'"),
                ([], "GEOGCS[", 1, f"Coordinate system file '{self.sidecar}'")):
            err = self.convert(*options, status=status, sidecar=sidecar)
            self.assertTrue(err.startswith(f"tesselar-convert: {named}: PROJ "), err)
            self.assertEqual(list(self.folder.glob("out*")), [])

    def test_coordinates_keep_the_digits_read_where_rounding_changes_cells(self):
        # 30 x 30 nodes 0.011 degrees apart, rotated by 45 degrees: rounded to hundredths, cells
        # lose or gain area, and some would cross themselves.
        nodes = [(i, j) for i in range(30) for j in range(30)]
        x = [f"{-8.7 + 0.011 * (i - j) * 0.5 ** 0.5:.7f}" for i, j in nodes]
        y = [f"{42.1 + 0.011 * (i + j) * 0.5 ** 0.5:.7f}" for i, j in nodes]
        self.grid(x, y, 30, 30, ["1"] * 841)
        read = {node: (Fraction(a), Fraction(b)) for node, a, b in zip(nodes, x, y)}
        rounded = {node: (hundredths(a), hundredths(b)) for node, a, b in zip(nodes, x, y)}
        rings = [[(i, j), (i + 1, j), (i + 1, j + 1), (i, j + 1)]
                 for i in range(29) for j in range(29)]
        changed = sum(1 for ring in rings
                      if abs(area([rounded[n] for n in ring]) - area([read[n] for n in ring]))
                      > abs(area([read[n] for n in ring])) / 100
                      or crosses([rounded[n] for n in ring]))
        self.assertGreater(changed, 162)
        self.assertEqual(self.convert(), "tesselar-convert: warning: coordinates keep the digits "
                                         f"read: rounded to 2 decimals, {changed} of 841 cells "
                                         "would have changed their area by more than 1% or "
                                         "become invalid polygons\n")
        self.assertEqual([set(points) for points in self.shapes_and_records()[0]],
                         [{tuple(map(float, read[n])) for n in ring} for ring in rings])

        self.grid(["-8.701", "-8.704", "-8.75"], ["42.1"] * 3, 4, None, ["1", "2", "3"], "point")
        self.assertEqual(self.convert(), "tesselar-convert: warning: coordinates keep the digits "
                                         "read: rounded to 2 decimals, 2 of 3 particles would "
                                         "have coincided with another\n")
        self.assertEqual(self.shapes_and_records()[0],
                         [[(-8.701, 42.1)], [(-8.704, 42.1)], [(-8.75, 42.1)]])

    def test_lines_without_a_number_and_values_that_became_0_are_counted(self):
        self.small_grid(["nan", "1e-400", "inf", "-inf"])
        self.assertEqual(self.convert(), "tesselar-convert: warning: 3 value lines held no number "
                                         "and were read as 0; the first is 'nan' on line 4 of "
                                         f"Attribute 'Temp' file '{self.folder / 't.dat'}'\n"
                                         "tesselar-convert: warning: 1 value other than 0 became "
                                         "0 when rounded to 2 decimals: '1e-400' on line 5 of "
                                         f"Attribute 'Temp' file '{self.folder / 't.dat'}'\n")
        self.assertEqual([record[-1] for record in self.shapes_and_records()[2]], [0.0] * 4)

    def test_attribute_table_options_as_pyshp_and_ogr2ogr_read_them(self):
        cells = ["12345.67", "-9999.001", "0.125", "-0.0001234"]
        self.small_grid(cells)
        for options, fields, values in (
                ([], [["Temp", "N", 10, 5]], [12345.67, -9999.0, 0.12, 0.0]),
                (["--fit-columns", "--cell-index", "--nodata", "-9999"],
                 [["I", "N", 5, 0], ["J", "N", 5, 0], ["Temp", "N", 8, 2]],
                 [12345.67, None, 0.12, 0.0]),
                (["--keep-digits", "--fit-columns", "--nodata=-9999"], [["Temp", "N", 13, 7]],
                 [float(text) for text in cells])):
            with self.subTest(options=options):
                self.convert(*options)
                _, read_fields, records = self.shapes_and_records()
                self.assertEqual(read_fields, fields)
                if "--cell-index" in options:
                    self.assertEqual([record[:2] for record in records],
                                     [[i, j] for i in (1, 2) for j in (1, 2)])
                self.assertEqual([record[-1] for record in records], values)
                copy = subprocess.run([OGR2OGR, "-overwrite", self.folder / "copy.shp",
                                       self.folder / "out.shp"], capture_output=True, text=True,
                                      check=True)
                if "--fit-columns" in options:
                    self.assertEqual(copy.stderr, "")


if __name__ == "__main__":
    CONVERT, OGRINFO, EXAMPLES, GDALSRSINFO, OGR2OGR = sys.argv[1:6]
    EXAMPLES = pathlib.Path(EXAMPLES)
    unittest.main(argv=sys.argv[:1], verbosity=2)
