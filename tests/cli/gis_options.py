#!/usr/bin/python3
"""Runs the real tesselar-convert with the options for GIS use (--crs and the .prj beside the X
axys file, --keep-digits, --fit-columns, --nodata, --cell-index) and reads what it writes with
GDAL (gdalsrsinfo, ogr2ogr) and pyshp.

    gis_options.py TESSELAR_CONVERT GDALSRSINFO OGR2OGR
"""

import pathlib
import re
import subprocess
import sys
import tempfile
import unittest

import shapefile

CONVERT = ""
GDALSRSINFO = ""
OGR2OGR = ""


def write_data_file(path, header, values):
    lines = ["Nerasco test file", *header, "<BeginData>", *values, "<EndData>"]
    path.write_text("\n".join(lines) + "\n", encoding="ascii")


def write_grid(folder, x_text, y_text, nodes_i, nodes_j, cell_text):
    header = [f"SIZE_I : {nodes_i}", f"SIZE_J : {nodes_j}"]
    write_data_file(folder / "x.dat", header, x_text)
    write_data_file(folder / "y.dat", header, y_text)
    write_data_file(folder / "t.dat", [], cell_text)


def convert(folder, *options, kind="polygon"):
    return subprocess.run([CONVERT, "-t", kind, "-x", folder / "x.dat", "-y", folder / "y.dat",
                           "-a", f"Temp={folder / 't.dat'}", "-o", folder / "out.shp",
                           *map(str, options)],
                          capture_output=True, text=True, check=False)


def esri_wkt(code):
    return subprocess.run([GDALSRSINFO, "-o", "wkt_esri", f"EPSG:{code}"], capture_output=True,
                          text=True, check=True).stdout


def epsg_code(prj):
    """The EPSG code GDAL recognises in a .prj."""
    found = subprocess.run([GDALSRSINFO, "-e", prj], capture_output=True, text=True,
                           check=True).stdout
    return int(re.search(r"^EPSG:(\d+)$", found, re.MULTILINE).group(1))


def signed_area(points):
    return sum(x0 * y1 - x1 * y0 for (x0, y0), (x1, y1) in zip(points, points[1:])) / 2.0


class Folder(unittest.TestCase):
    def setUp(self):
        self.temporary = tempfile.TemporaryDirectory()
        self.folder = pathlib.Path(self.temporary.name)

    def tearDown(self):
        self.temporary.cleanup()

    def small_grid(self, cells=("1",) * 4):
        """3 x 3 nodes 100 m apart, in metres: 2 x 2 cells."""
        nodes = [(i, j) for i in range(3) for j in range(3)]
        write_grid(self.folder, [f"{431250 + 100 * i}.004" for i, _ in nodes],
                   [f"{4512300 + 100 * j}.004" for _, j in nodes], 3, 3, list(cells))

    def assert_succeeded(self, result):
        self.assertEqual(result.returncode, 0, result.stderr)


class CoordinateSystem(Folder):
    def test_prj_names_the_code_given_by_the_option_or_the_sidecar(self):
        self.small_grid()
        sidecar = self.folder / "x.prj"
        wkt2_file = self.folder / "utm33.wkt"
        wkt2_file.write_text(subprocess.run([GDALSRSINFO, "-o", "wkt2", "EPSG:32633"],
                                            capture_output=True, text=True, check=True).stdout)
        rows = [  # code, --crs or None, sidecar text or None
            (4326, "EPSG:4326", None),
            (25829, None, esri_wkt(25829)),
            (32633, wkt2_file, esri_wkt(4326)),  # the option wins over the sidecar
            (3857, None, "EPSG:3857"),
        ]
        for code, option, sidecar_text in rows:
            with self.subTest(code=code):
                sidecar.unlink(missing_ok=True)
                if sidecar_text is not None:
                    sidecar.write_text(sidecar_text)
                result = convert(self.folder, *(["--crs", option] if option else []))
                self.assert_succeeded(result)
                self.assertEqual(epsg_code(self.folder / "out.prj"), code)

        # "none" writes no .prj beside a sidecar, and removes the earlier one.
        self.assert_succeeded(convert(self.folder, "--crs", "none"))
        self.assertFalse((self.folder / "out.prj").exists())

    def test_coordinate_system_proj_cannot_read_is_refused_before_anything_is_written(self):
        self.small_grid()
        rows = [  # --crs or None, sidecar text or None, exit status, what the message names
            ("PROJCS[\"broken\"", None, 2, "option --crs: Coordinate system 'PROJCS[\"broken\"'"),
            ("EPSG:4326x", None, 2, "option --crs: Coordinate system 'EPSG:4326x'"),
            (None, "GEOGCS[", 1, f"Coordinate system file '{self.folder / 'x.prj'}'"),
        ]
        for option, sidecar_text, status, named in rows:
            with self.subTest(option=option, sidecar=sidecar_text):
                (self.folder / "x.prj").unlink(missing_ok=True)
                if sidecar_text is not None:
                    (self.folder / "x.prj").write_text(sidecar_text)
                before = sorted(self.folder.iterdir())
                result = convert(self.folder, *(["--crs", option] if option else []))
                self.assertEqual(result.returncode, status, result.stderr)
                self.assertTrue(result.stderr.startswith(f"tesselar-convert: {named}: PROJ "),
                                result.stderr)
                self.assertEqual(sorted(self.folder.iterdir()), before)


class Digits(Folder):
    def test_lat_lon_cells_keep_their_area_with_the_digits_read(self):
        # 21 x 21 nodes 200 m apart, about 0.0018 degrees: rounded to hundredths most cells
        # would have no area.
        nodes = [(i, j) for i in range(21) for j in range(21)]
        x_text = [f"{-8.7 + 0.0024 * i + 0.0003 * j:.7f}" for i, j in nodes]
        y_text = [f"{42.1 + 0.0018 * j - 0.0002 * i:.7f}" for i, j in nodes]
        write_grid(self.folder, x_text, y_text, 21, 21, ["1"] * 400)
        result = convert(self.folder, "--crs", "EPSG:4326")
        self.assert_succeeded(result)
        self.assertRegex(result.stderr, r"^tesselar-convert: warning: coordinates keep the digits "
                                        r"read: rounded to 2 decimals, \d+ of 400 cells would "
                                        r"have had zero area\n$")
        read = {node: (float(x), float(y)) for node, x, y in zip(nodes, x_text, y_text)}
        with shapefile.Reader(str(self.folder / "out.shp")) as reader:
            self.assertEqual(len(reader), 400)
            for index, shape in enumerate(reader.iterShapes()):
                i, j = divmod(index, 20)
                corners = {read[(i, j)], read[(i + 1, j)], read[(i + 1, j + 1)],
                           read[(i, j + 1)]}
                self.assertEqual(set(map(tuple, shape.points)), corners, index)
                self.assertGreater(abs(signed_area(shape.points)), 0.0, index)

    def test_particles_that_rounding_would_put_together_keep_their_digits(self):
        x_text = ["-8.701", "-8.704", "-8.75"]
        y_text = ["42.1", "42.1", "42.1"]
        write_data_file(self.folder / "x.dat", ["SIZE_I : 4"], x_text)
        write_data_file(self.folder / "y.dat", [], y_text)
        write_data_file(self.folder / "t.dat", [], ["1", "2", "3"])
        result = convert(self.folder, kind="point")
        self.assert_succeeded(result)
        self.assertEqual(result.stderr, "tesselar-convert: warning: coordinates keep the digits "
                                        "read: rounded to 2 decimals, 2 of 3 particles would "
                                        "have coincided with another\n")
        with shapefile.Reader(str(self.folder / "out.shp")) as reader:
            self.assertEqual([tuple(shape.points[0]) for shape in reader.iterShapes()],
                             [(float(x), float(y)) for x, y in zip(x_text, y_text)])


class AttributeTable(Folder):
    CELLS = ["12345.67", "-9999.001", "0.125", "-0.0001234"]

    def test_options_as_pyshp_and_ogr2ogr_read_them(self):
        self.small_grid(self.CELLS)
        rows = [  # options, the columns, the values of the four cells
            ([], [["Temp", "N", 10, 5]], [12345.67, -9999.0, 0.12, 0.0]),
            (["--fit-columns", "--cell-index", "--nodata", "-9999"],
             [["I", "N", 5, 0], ["J", "N", 5, 0], ["Temp", "N", 8, 2]],
             [12345.67, None, 0.12, 0.0]),
            (["--keep-digits", "--fit-columns", "--nodata=-9999"], [["Temp", "N", 13, 7]],
             [float(text) for text in self.CELLS]),
        ]
        for options, fields, values in rows:
            with self.subTest(options=options):
                result = convert(self.folder, *options)
                self.assert_succeeded(result)
                with shapefile.Reader(str(self.folder / "out.shp")) as reader:
                    self.assertEqual([field[:4] for field in reader.fields[1:]], fields)
                    records = [list(record) for record in reader.records()]
                indexes = [[i, j] for i in (1, 2) for j in (1, 2)]
                if "--cell-index" in options:
                    self.assertEqual([record[:2] for record in records], indexes)
                self.assertEqual([record[-1] for record in records], values)
                copy = subprocess.run([OGR2OGR, "-overwrite", self.folder / "copy.shp",
                                       self.folder / "out.shp"], capture_output=True, text=True,
                                      check=True)
                if "--fit-columns" in options:
                    self.assertEqual(copy.stderr, "")


if __name__ == "__main__":
    CONVERT, GDALSRSINFO, OGR2OGR = sys.argv[1:4]
    unittest.main(argv=sys.argv[:1], verbosity=2)
