"""GDAL and shapelib read the sample shapefiles:
check_with_gdal.py WRITE_SAMPLE_SHAPEFILES OGRINFO SHPDUMP DBFDUMP"""

import json
import os
import re
import subprocess
import sys
import unittest

import sample_shapefiles as samples


def run(*command):
    """The standard output of a command that must succeed without a word on standard error."""
    result = subprocess.run(command, capture_output=True, text=True, encoding="utf-8")
    if result.returncode != 0 or result.stderr:
        raise AssertionError(f"{command} failed ({result.returncode}): {result.stderr}")
    return result.stdout


class GdalAndShapelibReadSamples(samples.SamplesTestCase):
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
        self.assertIn(f"Feature Count: {len(samples.CELLS)}\n", summary)
        x0, y0, x1, y1 = samples.node_extent(samples.grid_node)
        self.assertIn(f"Extent: ({x0:.6f}, {y0:.6f}) - ({x1:.6f}, {y1:.6f})\n", summary)
        # The .cpg makes GDAL read the names as UTF-8.
        fields = re.findall(r"^(.+): Real \(10\.5\)$", summary, re.MULTILINE)
        self.assertEqual(fields, samples.GRID_FIELDS)

    def test_gdal_reads_clockwise_closed_rings_and_values(self):
        features = self.features("grid.shp")
        self.assertEqual(len(features), len(samples.CELLS))
        for feature, (i, j) in zip(features, samples.CELLS):
            self.assertEqual(feature["geometry"]["type"], "Polygon")
            rings = feature["geometry"]["coordinates"]
            self.assertEqual(len(rings), 1)
            self.assertGridCellRing(rings[0], i, j)
            self.assertProperties(feature["properties"], samples.GRID_FIELDS,
                                  samples.grid_values(i, j))

    def test_gdal_reads_particles_and_the_empty_file(self):
        features = self.features("particles.shp")
        self.assertEqual([tuple(f["geometry"]["coordinates"]) for f in features],
                         samples.PARTICLES)
        for p, feature in enumerate(features):
            self.assertEqual(feature["geometry"]["type"], "Point")
            self.assertProperties(feature["properties"], samples.PARTICLE_FIELDS,
                                  samples.particle_values(p))
        summary = self.summary("empty.shp")
        self.assertIn("Geometry: Point\n", summary)
        self.assertIn("Feature Count: 0\n", summary)
        self.assertIn("Mass: Real (10.5)\n", summary)

    def test_shpdump_validates_ring_order(self):
        for name in ("grid.shp", "flipped.shp"):
            dump = run(SHPDUMP, "-validate", self.path(name))
            self.assertIn(f"Shapefile Type: Polygon   # of Shapes: {len(samples.CELLS)}\n", dump)
            self.assertEqual(dump.count("nVertices=5, nParts=1"), len(samples.CELLS))
            self.assertNotIn("wrong direction", dump)
            self.assertIn("\n0 object has invalid ring orderings.", dump)

    def test_dbfdump_reads_the_table(self):
        dump = run(DBFDUMP, "-h", self.path("grid.dbf")).splitlines()
        for k, name in enumerate(samples.GRID_FIELDS):
            self.assertEqual(dump[k],
                             f"Field {k}: Type=N/Double, Title=`{name}', Width=10, Decimals=5")
        rows = dump[len(samples.GRID_FIELDS) + 1:]
        self.assertEqual(len(rows), len(samples.CELLS))
        for row, (i, j) in zip(rows, samples.CELLS):
            self.assertValues([None if text == "(NULL)" else float(text) for text in row.split()],
                              samples.grid_values(i, j))


if __name__ == "__main__":
    samples.PROGRAM, OGRINFO, SHPDUMP, DBFDUMP = sys.argv[1:5]
    unittest.main(argv=sys.argv[:1], verbosity=2)
