#!/usr/bin/python3
"""Checks the shipped examples: examples/make_examples.py writes exactly the committed files,
and tesselar-convert turns them into shape files that GDAL's ogrinfo reads in full.

    check_examples.py TESSELAR_CONVERT OGRINFO EXAMPLES_FOLDER
"""

import pathlib
import re
import subprocess
import sys
import tempfile
import unittest

CONVERT = ""
OGRINFO = ""
EXAMPLES = pathlib.Path()


def ogrinfo(*arguments):
    result = subprocess.run([OGRINFO, "-ro", *map(str, arguments)], capture_output=True,
                            text=True, check=True)
    return result.stdout + result.stderr


class Examples(unittest.TestCase):
    def setUp(self):
        self.temporary = tempfile.TemporaryDirectory()
        self.folder = pathlib.Path(self.temporary.name)
        self.estuary = EXAMPLES / "estuary"

    def tearDown(self):
        self.temporary.cleanup()

    def convert(self, *arguments):
        result = subprocess.run([CONVERT, "-q", *map(str, arguments)], capture_output=True,
                                text=True, check=False)
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
        self.convert("-x", self.estuary / "grid_x.dat", "-y", self.estuary / "grid_y.dat",
                     "-a", f"Temp={self.estuary / 'temperature.dat'}",
                     "-a", f"Salinity={self.estuary / 'salinity.dat'}", "-o", output)
        self.assert_read_in_full(output, "Polygon", 59 * 39, ["Temp", "Salinity"])

    def test_particles_convert_to_points(self):
        output = self.folder / "particles.shp"
        self.convert("-t", "point", "-x", self.estuary / "particles_x.dat",
                     "-y", self.estuary / "particles_y.dat",
                     "-a", f"Depth={self.estuary / 'particles_depth.dat'}", "-o", output)
        self.assert_read_in_full(output, "Point", 200, ["Depth"])


if __name__ == "__main__":
    CONVERT, OGRINFO, EXAMPLES = sys.argv[1], sys.argv[2], pathlib.Path(sys.argv[3])
    unittest.main(argv=sys.argv[:1], verbosity=2)
