"""pyshp, GDAL and shapelib read the cell index columns, the null values and the fitted columns:
check_writer_options.py WRITE_OPTION_SAMPLES OGRINFO DBFDUMP"""

import json
import os
import subprocess
import sys
import tempfile
import unittest

import shapefile

CELLS = [(i, j) for i in (1, 2) for j in (1, 2, 3)]  # record order: i outer, j inner
NULL_CELLS = {(1, 2), (2, 3)}


def cell_values(i, j):
    """I, J, the attribute "J" and "Depth" of cell (i, j); None for null."""
    return [i, j, 10 * i + j + 0.5, None if (i, j) in NULL_CELLS else 1.25 * i * j]


CELL_FIELDS = [["I", "N", 5, 0], ["J", "N", 5, 0], ["J_1", "N", 10, 5], ["Depth", "N", 10, 5]]
PARTICLE_FIELDS = [["I", "N", 5, 0], ["I_1", "N", 10, 5]]

# Columns fitted to their values: every digit kept, the decimals of the most precise value.
FITTED_FIELDS = [["Large", "N", 13, 3], ["Tiny", "N", 9, 6], ["Huge", "N", 16, 0],
                 ["Temp", "N", 8, 2]]
FITTED_VALUES = [
    [123456789.123, -0.000001, 1e15, 12345.67],
    [-5.5, 0.5, 1, 10000],
    [0, 1, 2, 20000.5],
    [12345.67, 2, 3, -3.25],
    [10000, 3, 4, 0],
    [None, None, 5, 99999.99],
]


def run(*command):
    return subprocess.run(command, capture_output=True, text=True, encoding="utf-8")


class ReadersReadWriterOptions(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory()
        subprocess.run([PROGRAM, cls.folder.name], check=True)

    @classmethod
    def tearDownClass(cls):
        cls.folder.cleanup()

    def path(self, name):
        return os.path.join(self.folder.name, name)

    def pyshp(self, name):
        reader = shapefile.Reader(self.path(name))
        self.addCleanup(reader.close)
        return reader

    def gdal(self, name):
        """Field types and records as GDAL reads them: ogrinfo's summary and ogr2ogr's GeoJSON."""
        summary = run(OGRINFO, "-ro", "-so", "-al", self.path(name))
        self.assertEqual(summary.stderr, "")
        geojson = run(OGR2OGR, "-f", "GeoJSON", "/vsistdout/", self.path(name))
        self.assertEqual(geojson.stderr, "")
        rows = [list(f["properties"].values()) for f in json.loads(geojson.stdout)["features"]]
        return summary.stdout, rows

    def dbfdump(self, name):
        """Records as shapelib reads them, None for its "(NULL)"."""
        dump = run(DBFDUMP, self.path(name[:-4] + ".dbf")).stdout.splitlines()[1:]
        return [[None if text == "(NULL)" else float(text) for text in row.split()]
                for row in dump]

    def assertReadsAs(self, name, fields, rows):
        reader = self.pyshp(name)
        self.assertEqual([list(field) for field in reader.fields[1:]], fields)
        self.assertEqual([list(record) for record in reader.records()], rows)
        summary, gdal_rows = self.gdal(name)
        self.assertEqual(gdal_rows, rows)
        self.assertEqual(self.dbfdump(name), rows)
        return summary

    def test_cell_index_columns_hold_i_and_j_before_the_attributes(self):
        summary = self.assertReadsAs("cells.shp", CELL_FIELDS,
                                     [cell_values(i, j) for i, j in CELLS])
        self.assertIn("I: Integer (5.0)\nJ: Integer (5.0)\nJ_1: Real (10.5)\n", summary)
        self.assertReadsAs("particles.shp", PARTICLE_FIELDS,
                           [[p, 100 - p] for p in (1, 2, 3)])

    def test_fitted_columns_keep_every_digit(self):
        summary = self.assertReadsAs("fitted.shp", FITTED_FIELDS, FITTED_VALUES)
        self.assertIn("Large: Real (13.3)\nTiny: Real (9.6)\n", summary)

    def test_gdal_copies_fitted_columns_without_a_width_warning(self):
        # The default columns are too narrow for "%.5f" of 10,000 and more: GDAL warns there.
        for name, warns in (("fitted.shp", False), ("default.shp", True)):
            copy = os.path.join(self.folder.name, "copy-" + name)
            result = run(OGR2OGR, "-f", "ESRI Shapefile", copy, self.path(name))
            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertEqual("not successfully written" in result.stderr, warns, result.stderr)
            if not warns:
                self.assertEqual(result.stderr, "")
                self.assertEqual(self.dbfdump("copy-" + name), FITTED_VALUES)


if __name__ == "__main__":
    PROGRAM, OGRINFO, DBFDUMP = sys.argv[1:4]
    OGR2OGR = os.path.join(os.path.dirname(OGRINFO), "ogr2ogr")
    unittest.main(argv=sys.argv[:1], verbosity=2)
