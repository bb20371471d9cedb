#!/usr/bin/python3
"""Runs the real tesselar-convert with a .fgb output and reads the FlatGeobuf file with GDAL/OGR
(ogrinfo and its Python binding): columns, coordinate system, values, missing values for
no-data, and spatial filters, which GDAL answers through the file's index, against a
brute-force test; the index's nodes are also read from the bytes as the format lays them out.

    flatgeobuf_output.py TESSELAR_CONVERT OGRINFO
"""

import random
import signal
import struct
import subprocess
import sys
import unittest

from osgeo import gdal, ogr

from geopackage_output import NODATA, OgrOutputCase, grid_job, value
from harness import big_grid, run, wait_until, write, writing_in

gdal.UseExceptions()


def index_nodes(path):
    """The feature count and the index's nodes (box, offset) read from the file's bytes, with
    the start of the features."""
    data = path.read_bytes()
    assert data[:3] == b"fgb" and data[3] == 3, data[:8]
    header_size = struct.unpack_from("<I", data, 8)[0]
    source = ogr.Open(str(path))
    count = source.GetLayer(0).GetFeatureCount()
    level_counts, n = [count], count
    while n != 1:
        n = (n + 15) // 16
        level_counts.append(n)
    start = 12 + header_size
    nodes = [struct.unpack_from("<ddddQ", data, start + 40 * k) for k in range(sum(level_counts))]
    return level_counts, nodes, start + 40 * len(nodes), data


class FlatGeobufOutput(OgrOutputCase):
    output_name = "run.fgb"

    def convert(self, args, *options, output=None, status=0):
        result = run(CONVERT, *args, *options, "-o", output or self.output)
        self.assertEqual(result.returncode, status, result.stderr)
        return result

    def test_columns_values_missing_values_and_crs(self):
        args, corners = grid_job(self.folder, 5, 4, value)
        result = self.convert(args, "--crs", "EPSG:25829", "--cell-index", "--nodata", "-9999")
        self.assertEqual(result.stdout,
                         f"Polygon FlatGeobuf file '{self.output}' was created with success\n")
        summary = subprocess.run([OGRINFO, "-ro", "-so", "-al", self.output], capture_output=True,
                                 text=True, check=True).stdout
        self.assertIn("Feature Count: 12", summary)
        self.assertIn('ID["EPSG",25829]', summary)
        layer = self.open(self.output).GetLayer(0)
        self.assertEqual(layer.GetGeomType(), ogr.wkbPolygon)
        definition = layer.GetLayerDefn()
        self.assertEqual([(definition.GetFieldDefn(f).GetName(), definition.GetFieldDefn(f).GetType())
                          for f in range(definition.GetFieldCount())],
                         [("I", ogr.OFTInteger), ("J", ogr.OFTInteger),
                          ("Depth", ogr.OFTReal), ("Water temperature", ogr.OFTReal)])
        seen = {}
        for feature in layer:
            i, j = feature.GetField(0), feature.GetField(1)
            c = (i - 1) * 3 + (j - 1)
            ring = feature.GetGeometryRef().GetGeometryRef(0)
            points = [ring.GetPoint_2D(p) for p in range(ring.GetPointCount())]
            self.assertEqual(sorted(points[:-1]), sorted(corners[c]))
            seen[c] = [feature.GetField(2), feature.GetField(3)]
        self.assertEqual(seen, {c: [None if value(k, c) == NODATA else value(k, c)
                                    for k in range(2)] for c in range(12)})
        self.assertEqual(sorted(p.name for p in self.folder.glob("*run.fgb*")), ["run.fgb"])

    def test_points_and_no_crs(self):
        header = ["SIZE_I : 4"]
        args = ["-t", "point", "-x", write(self.folder / "x.dat", header, [1, 2, 3.5]),
                "-y", write(self.folder / "y.dat", header, [7, 8, 9]),
                "-a", f"Depth={write(self.folder / 'd.dat', [], [1.5, 2, 3])}"]
        result = self.convert(args, output=self.folder / "run.FGB")
        self.assertIn("has no coordinate system", result.stderr)
        layer = self.open(self.folder / "run.FGB").GetLayer(0)
        self.assertIsNone(layer.GetSpatialRef())
        self.assertEqual(sorted((f.GetGeometryRef().GetX(), f.GetGeometryRef().GetY(),
                                 f.GetField(0)) for f in layer), [(1, 7, 1.5), (2, 8, 2), (3.5, 9, 3)])

    def test_index_and_spatial_filter_match_brute_force(self):
        args, corners = grid_job(self.folder, 40, 30, lambda k, c: c)
        self.convert(args, "--crs", "EPSG:25829", "--cell-index")
        levels, nodes, features_start, data = index_nodes(self.output)
        # Levels lie root first; each leaf points at a feature, each inner node at its first
        # child, and its box holds its children's.
        ends, end = [], len(nodes)
        for count in levels:
            ends.append(end)
            end -= count
        offsets = sorted(box[4] for box in nodes[ends[0] - levels[0]:])
        self.assertEqual(offsets[0], 0)
        for offset, following in zip(offsets, offsets[1:] + [len(data) - features_start]):
            self.assertEqual(struct.unpack_from("<I", data, features_start + offset)[0] + 4,
                             following - offset)
        for level in range(1, len(levels)):
            for parent in nodes[ends[level] - levels[level]:ends[level]]:
                children = nodes[parent[4]:min(parent[4] + 16, ends[level - 1])]
                self.assertTrue(children)
                for child in children:
                    self.assertTrue(parent[0] <= child[0] and parent[1] <= child[1] and
                                    parent[2] >= child[2] and parent[3] >= child[3])
        layer = self.open(self.output).GetLayer(0)
        randomly = random.Random(15)
        xs = [x for cell in corners for x, _ in cell]
        ys = [y for cell in corners for _, y in cell]
        for _ in range(25):
            x0, x1 = sorted(randomly.uniform(min(xs) - 20, max(xs) + 20) for _ in range(2))
            y0, y1 = sorted(randomly.uniform(min(ys) - 20, max(ys) + 20) for _ in range(2))
            brute = {c for c, cell in enumerate(corners)
                     if max(x for x, _ in cell) >= x0 and min(x for x, _ in cell) <= x1 and
                     max(y for _, y in cell) >= y0 and min(y for _, y in cell) <= y1}
            layer.SetSpatialFilterRect(x0, y0, x1, y1)
            found = set()
            for feature in layer:
                found.add((feature.GetField(0) - 1) * 29 + feature.GetField(1) - 1)
            rectangle = ogr.CreateGeometryFromWkt(
                f"POLYGON(({x0} {y0},{x1} {y0},{x1} {y1},{x0} {y1},{x0} {y0}))")
            exact = {c for c in brute if ogr.CreateGeometryFromWkt(
                "POLYGON((" + ",".join(f"{x} {y}" for x, y in corners[c] + corners[c][:1]) +
                "))").Intersects(rectangle)}
            self.assertTrue(exact <= found <= brute, (x0, y0, x1, y1))
            listed = subprocess.run([OGRINFO, "-ro", "-q", "-al", "-spat", str(x0), str(y0),
                                     str(x1), str(y1), self.output], capture_output=True, text=True,
                                    check=True).stdout
            self.assertEqual(listed.count("OGRFeature("), len(found))

    def test_replacement_stopped_while_writing_leaves_the_earlier_file(self):
        args, _ = grid_job(self.folder, 3, 3, value)
        out = self.folder / "out"
        out.mkdir()
        fgb = out / "run.fgb"
        self.convert(args, output=fgb)
        earlier = fgb.read_bytes()
        converter = subprocess.Popen([CONVERT, "-q", *big_grid(self.folder, 700), "-o", str(fgb)],
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        # The file is written once every feature is measured and sorted.
        self.assertTrue(wait_until(converter.pid, writing_in(out)))
        converter.send_signal(signal.SIGINT)
        _, err = converter.communicate(timeout=60)
        self.assertEqual(converter.returncode, 130, err)
        self.assertIn(f"interrupted by SIGINT while writing '{fgb}'".encode(), err)
        self.assertEqual(fgb.read_bytes(), earlier)
        self.assertEqual(sorted(p.name for p in out.iterdir()), ["run.fgb"])

    def test_fit_columns_is_refused(self):
        args, _ = grid_job(self.folder, 3, 3, value)
        result = self.convert(args, "--fit-columns", status=2)
        self.assertIn("--fit-columns", result.stderr)
        self.assertFalse(self.output.exists())


if __name__ == "__main__":
    CONVERT, OGRINFO = sys.argv[1:3]
    unittest.main(argv=sys.argv[:1], verbosity=2)
