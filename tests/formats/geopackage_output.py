#!/usr/bin/python3
"""Runs the real tesselar-convert with a .gpkg output and reads the GeoPackage with readers of
its own: GDAL/OGR (layers, coordinate system, fields, values, nulls, spatial filters), GDAL's
validate_gpkg.py, and SQLite for the GeoPackage's own tables. Covers new files, layers added to
and replaced in an existing GeoPackage, files that are no GeoPackage, and a replacement
stopped by a signal or killed midway.

    geopackage_output.py TESSELAR_CONVERT VALIDATE_GPKG
"""

import pathlib
import random
import signal
import sqlite3
import struct
import subprocess
import sys
import unittest

from osgeo import gdal, ogr, osr

from harness import FolderTestCase, big_grid, run, wait_until, write

gdal.UseExceptions()

NODATA = -9999.0


def grid_job(folder, nodes_i, nodes_j, values, names=("Depth", "Water temperature")):
    """A skewed grid of nodes_i x nodes_j nodes, with attribute k's value of cell c
    values(k, c): its arguments and, for each cell in order (j fastest), its four corners."""
    # Hundredths that no float holds, so that the index's boxes must be rounded outwards.
    x = [float(f"{100000.0 + 10.01 * i + 2.53 * j:.2f}") for i in range(nodes_i)
         for j in range(nodes_j)]
    y = [float(f"{4500000.0 + 3.07 * i + 10.03 * j:.2f}") for i in range(nodes_i)
         for j in range(nodes_j)]
    header = [f"SIZE_I : {nodes_i}", f"SIZE_J : {nodes_j}"]
    args = ["-x", write(folder / "x.dat", header, [f"{v:.2f}" for v in x]),
            "-y", write(folder / "y.dat", header, [f"{v:.2f}" for v in y])]
    cells = (nodes_i - 1) * (nodes_j - 1)
    for k, name in enumerate(names):
        path = write(folder / f"a{k}.dat", [name], [values(k, c) for c in range(cells)])
        args += ["-a", f"{name}={path}"]
    node = lambda i, j: (x[i * nodes_j + j], y[i * nodes_j + j])
    corners = [[node(i, j), node(i + 1, j), node(i + 1, j + 1), node(i, j + 1)]
               for i in range(nodes_i - 1) for j in range(nodes_j - 1)]
    return args, corners


def value(k, c):
    """Attribute values with two decimals, a no-data value every seventh cell."""
    return NODATA if c % 7 == 3 else round((k + 1) * 1.25 + c * 0.5 - 20, 2)


def features(path, layer=None):
    """(fid, field values, ring) of every feature of the layer, as OGR reads them."""
    source = ogr.Open(str(path))
    lyr = source.GetLayerByName(layer) if layer else source.GetLayer(0)
    rows = []
    for feature in lyr:
        ring = feature.GetGeometryRef().GetGeometryRef(0)
        points = [ring.GetPoint_2D(p) for p in range(ring.GetPointCount())] if ring else []
        rows.append((feature.GetFID(), [feature.GetField(f) for f in range(feature.GetFieldCount())],
                     points))
    return rows


def size_now(path):
    """The file's size; 0 when it is gone (removed meanwhile)."""
    try:
        return path.stat().st_size
    except FileNotFoundError:
        return 0


class OgrOutputCase(FolderTestCase):
    """A test of an output file, self.output, that OGR reads."""
    output_name = None

    def setUp(self):
        super().setUp()
        self.output = self.folder / self.output_name

    def open(self, path):
        """The file opened by OGR, kept open for the test: its layers live as long."""
        source = ogr.Open(str(path))
        self.addCleanup(lambda: source.Release())
        return source


class GeoPackageOutput(OgrOutputCase):
    output_name = "run.gpkg"

    def convert(self, args, *options, output=None, status=0):
        result = run(CONVERT, *args, *options, "-o", output or self.output)
        self.assertEqual(result.returncode, status, result.stderr)
        return result

    def validate(self, path=None):
        result = subprocess.run([sys.executable, VALIDATE, str(path or self.output)],
                                capture_output=True, text=True)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertEqual(result.stderr, "")

    def no_leftovers(self):
        self.assertEqual(sorted(p.name for p in self.folder.glob("*run.gpkg*")), ["run.gpkg"])

    def test_fields_values_nulls_and_crs_as_ogr_reads_them(self):
        args, corners = grid_job(self.folder, 5, 4, value)
        result = self.convert(args, "--crs", "EPSG:25829", "--cell-index", "--nodata", "-9999")
        self.assertEqual(result.stdout, f"Polygon GeoPackage '{self.output}' was created with success\n")
        self.assertEqual(result.stderr, "")
        source = ogr.Open(str(self.output))
        self.assertEqual([source.GetLayer(n).GetName() for n in range(source.GetLayerCount())],
                         ["run"])
        layer = source.GetLayer(0)
        self.assertEqual(layer.GetGeomType(), ogr.wkbPolygon)
        self.assertEqual(layer.GetGeometryColumn(), "geom")
        self.assertEqual(layer.GetFIDColumn(), "fid")
        srs = layer.GetSpatialRef()
        self.assertEqual((srs.GetAuthorityName(None), srs.GetAuthorityCode(None)),
                         ("EPSG", "25829"))
        definition = layer.GetLayerDefn()
        self.assertEqual([(definition.GetFieldDefn(f).GetName(), definition.GetFieldDefn(f).GetType())
                          for f in range(definition.GetFieldCount())],
                         [("I", ogr.OFTInteger64), ("J", ogr.OFTInteger64),
                          ("Depth", ogr.OFTReal), ("Water temperature", ogr.OFTReal)])
        rows = features(self.output)
        expected_ij = [[i, j] for i in range(1, 5) for j in range(1, 4)]
        self.assertEqual([fid for fid, _, _ in rows], list(range(1, 13)))
        self.assertEqual([fields[:2] for _, fields, _ in rows], expected_ij)
        for c, (_, fields, ring) in enumerate(rows):
            self.assertEqual(fields[2:], [None if value(k, c) == NODATA else value(k, c)
                                          for k in range(2)])
            self.assertEqual(ring[0], ring[-1])
            self.assertEqual(sorted(ring[:-1]), sorted(corners[c]))
            area = sum(ring[p][0] * ring[p + 1][1] - ring[p + 1][0] * ring[p][1]
                       for p in range(len(ring) - 1))
            self.assertGreater(area, 0, "exterior rings run counter-clockwise")
        self.validate()
        self.no_leftovers()

    def test_points_without_crs_are_undefined_cartesian_with_a_warning(self):
        header = ["SIZE_I : 4"]
        args = ["-t", "point", "-x", write(self.folder / "x.dat", header, [1, 2, 3.5]),
                "-y", write(self.folder / "y.dat", header, [7, 8, 9]),
                "-a", f"Depth={write(self.folder / 'd.dat', [], [1.5, 2, 3])}"]
        result = self.convert(args, output=self.folder / "run.GPKG", status=0)
        self.assertEqual(result.stdout,
                         f"Point GeoPackage '{self.folder / 'run.GPKG'}' was created with success\n")
        self.assertIn("warning: GeoPackage", result.stderr)
        self.assertIn("has no coordinate system", result.stderr)
        layer = self.open(self.folder / "run.GPKG").GetLayer(0)
        self.assertEqual(layer.GetGeomType(), ogr.wkbPoint)
        # GDAL names srs_id -1 as the GeoPackage standard does, as a local system.
        self.assertTrue(layer.GetSpatialRef().IsLocal())
        self.assertEqual([(f.GetGeometryRef().GetX(), f.GetGeometryRef().GetY(), f.GetField(0))
                          for f in layer], [(1, 7, 1.5), (2, 8, 2), (3.5, 9, 3)])
        with sqlite3.connect(self.folder / "run.GPKG") as db:
            self.assertEqual(db.execute("SELECT srs_id FROM gpkg_contents").fetchall(), [(-1,)])
            self.assertEqual(db.execute("SELECT srs_name, organization FROM gpkg_spatial_ref_sys "
                                        "WHERE srs_id = -1").fetchall(),
                             [("Undefined cartesian SRS", "NONE")])
        self.validate(self.folder / "run.GPKG")
        self.assertEqual(run(CONVERT, *args, "--crs", "none", "-o", self.output).stderr, "")

    def test_metadata_tables_as_sqlite_reads_them(self):
        args, corners = grid_job(self.folder, 6, 5, value)
        wkt = osr.SpatialReference()
        wkt.SetFromUserInput("+proj=tmerc +lat_0=41 +lon_0=-8.3 +k=0.9999 +x_0=1000 +y_0=2000 "
                             "+ellps=GRS80 +units=m +no_defs")
        (self.folder / "custom.prj").write_text(wkt.ExportToWkt())
        for crs, organization, code in (("EPSG:25829", "EPSG", 25829),
                                        (str(self.folder / "custom.prj"), "NONE", 100000)):
            with self.subTest(crs=crs):
                self.output.unlink(missing_ok=True)
                self.convert(args, "--crs", crs, "--layer", "Estuary cells")
                xs = [x for cell in corners for x, _ in cell]
                ys = [y for cell in corners for _, y in cell]
                with sqlite3.connect(self.output) as db:
                    one = lambda sql: db.execute(sql).fetchall()
                    self.assertEqual(one("PRAGMA application_id"), [(0x47504B47,)])
                    self.assertIn(one("PRAGMA user_version")[0][0], (10200, 10300))
                    self.assertEqual(one("PRAGMA integrity_check"), [("ok",)])
                    self.assertEqual(
                        one("SELECT table_name, data_type, identifier, min_x, min_y, max_x, "
                            "max_y, srs_id FROM gpkg_contents"),
                        [("Estuary cells", "features", "Estuary cells", min(xs), min(ys),
                          max(xs), max(ys), code)])
                    self.assertEqual(one("SELECT * FROM gpkg_geometry_columns"),
                                     [("Estuary cells", "geom", "POLYGON", code, 0, 0)])
                    self.assertEqual(
                        one("SELECT organization, organization_coordsys_id FROM "
                            "gpkg_spatial_ref_sys WHERE srs_id = %d" % code),
                        [(organization, code)])
                    self.assertEqual(
                        one("SELECT table_name, column_name, extension_name, scope FROM "
                            "gpkg_extensions"),
                        [("Estuary cells", "geom", "gpkg_rtree_index", "write-only")])
                    self.assertEqual(
                        sorted(name for (name,) in one(
                            "SELECT name FROM sqlite_master WHERE type = 'trigger'")),
                        sorted(f"rtree_Estuary cells_geom_{kind}" for kind in
                               ("insert", "update1", "update2", "update3", "update4", "delete")))
                    # Each geometry: the "GP" header (version 0, little-endian, no envelope),
                    # the srs_id, then a WKB polygon of one closed ring through the corners.
                    for (blob,), cell in zip(one('SELECT geom FROM "Estuary cells" ORDER BY fid'),
                                             corners):
                        magic, version, flags, srs_id = struct.unpack_from("<2sBBi", blob)
                        self.assertEqual((magic, version, flags, srs_id), (b"GP", 0, 1, code))
                        self.assertEqual(struct.unpack_from("<BIII", blob, 8), (1, 3, 1, 5))
                        self.assertEqual(len(blob), 8 + 13 + 5 * 16)
                        ring = [struct.unpack_from("<2d", blob, 21 + 16 * p) for p in range(5)]
                        self.assertEqual((ring[0], sorted(ring[:4])), (ring[4], sorted(cell)))
                    boxes = one('SELECT id, minx, maxx, miny, maxy FROM "rtree_Estuary cells_geom"'
                                " ORDER BY id")
                    self.assertEqual([box[0] for box in boxes], list(range(1, len(corners) + 1)))
                    for box, cell in zip(boxes, corners):
                        self.assertLessEqual(box[1], min(x for x, _ in cell))
                        self.assertGreaterEqual(box[2], max(x for x, _ in cell))
                        self.assertLessEqual(box[3], min(y for _, y in cell))
                        self.assertGreaterEqual(box[4], max(y for _, y in cell))
                srs = self.open(self.output).GetLayer(0).GetSpatialRef()
                if organization == "NONE":
                    self.assertEqual([srs.GetProjParm(name) for name in (
                        "latitude_of_origin", "central_meridian", "scale_factor",
                        "false_easting", "false_northing")], [41, -8.3, 0.9999, 1000, 2000])
                else:
                    self.assertEqual(srs.GetAuthorityCode(None), "25829")
                self.validate()

    def test_spatial_filter_matches_brute_force(self):
        # SQLite's own check of the R-tree: a root, 14 leaves; then three levels.
        for nodes in (30, 61):
            with self.subTest(nodes=nodes):
                args, _ = grid_job(self.folder, nodes, nodes - 5, lambda k, c: c)
                self.output.unlink(missing_ok=True)
                self.convert(args)
                with sqlite3.connect(self.output) as db:
                    self.assertEqual(db.execute("SELECT rtreecheck('rtree_run_geom')").fetchall(),
                                     [("ok",)])
        self.output.unlink()
        args, corners = grid_job(self.folder, 30, 25, lambda k, c: c)
        self.convert(args, "--crs", "EPSG:25829")
        layer = self.open(self.output).GetLayer(0)
        randomly = random.Random(15)
        xs = [x for cell in corners for x, _ in cell]
        ys = [y for cell in corners for _, y in cell]
        for _ in range(25):
            x0, x1 = sorted(randomly.uniform(min(xs) - 20, max(xs) + 20) for _ in range(2))
            y0, y1 = sorted(randomly.uniform(min(ys) - 20, max(ys) + 20) for _ in range(2))
            rectangle = ogr.CreateGeometryFromWkt(
                f"POLYGON(({x0} {y0},{x1} {y0},{x1} {y1},{x0} {y1},{x0} {y0}))")
            brute = set()
            for c, cell in enumerate(corners):
                ring = ",".join(f"{x} {y}" for x, y in cell + cell[:1])
                if ogr.CreateGeometryFromWkt(f"POLYGON(({ring}))").Intersects(rectangle):
                    brute.add(c + 1)
            layer.SetSpatialFilterRect(x0, y0, x1, y1)
            self.assertEqual({feature.GetFID() for feature in layer}, brute)
            with sqlite3.connect(self.output) as db:
                candidates = {fid for (fid,) in db.execute(
                    "SELECT id FROM rtree_run_geom WHERE maxx >= ? AND minx <= ? AND maxy >= ? "
                    "AND miny <= ?", (x0, x1, y0, y1))}
            self.assertLessEqual(brute, candidates)

    def test_existing_geopackage_keeps_its_other_layers(self):
        args, _ = grid_job(self.folder, 4, 3, value)
        other = self.folder / "other.shp"
        self.convert(args, "--crs", "EPSG:25829", output=other)
        subprocess.run(["ogr2ogr", "-f", "GPKG", "-nln", "gdal layer", str(self.output), str(other)],
                       check=True)
        before = features(self.output, "gdal layer")
        result = self.convert(args, "--crs", "EPSG:25829", "--layer", "cells")
        self.assertEqual(result.stdout, f"Polygon layer 'cells' was written into GeoPackage "
                                        f"'{self.output}' with success\n")
        first = features(self.output, "cells")
        args, _ = grid_job(self.folder, 4, 3, lambda k, c: c + 1000.5)
        self.convert(args, "--crs", "EPSG:25829", "--layer", "CELLS")
        source = ogr.Open(str(self.output))
        self.assertEqual(sorted(source.GetLayer(n).GetName()
                                for n in range(source.GetLayerCount())), ["CELLS", "gdal layer"])
        self.assertEqual(features(self.output, "gdal layer"), before)
        replaced = features(self.output, "CELLS")
        self.assertEqual([fields for _, fields, _ in replaced],
                         [[c + 1000.5, c + 1000.5] for c in range(6)])
        self.assertEqual([ring for _, _, ring in replaced], [ring for _, _, ring in first])
        self.validate()
        self.no_leftovers()

    def test_files_that_are_no_geopackage_are_refused_untouched(self):
        args, _ = grid_job(self.folder, 3, 3, value)
        foreign = sqlite3.connect(self.folder / "foreign.sqlite")
        foreign.execute("CREATE TABLE t (a)")
        foreign.commit()
        foreign.close()
        self.convert(args, "--crs", "EPSG:25829")
        truncated = self.output.read_bytes()[:3000]
        for name, content in (("text", b"not a database\n"),
                              ("foreign", (self.folder / "foreign.sqlite").read_bytes()),
                              ("truncated", truncated), ("empty", b"")):
            with self.subTest(file=name):
                target = self.folder / f"{name}.gpkg"
                target.write_bytes(content)
                result = self.convert(args, output=target, status=1)
                self.assertIn(f"'{target}'", result.stderr)
                self.assertEqual(target.read_bytes(), content)
                self.assertEqual(sorted(p.name for p in self.folder.glob(f"*{name}.gpkg*")),
                                 [f"{name}.gpkg"])

    def test_options_and_names_refused(self):
        args, _ = grid_job(self.folder, 3, 3, value, names=("Depth", "DEPTH"))
        result = self.convert(args, status=1)
        self.assertIn("'Depth' and 'DEPTH'", result.stderr)
        args, _ = grid_job(self.folder, 3, 3, value)
        for options, output, status in ((["--fit-columns"], "run.gpkg", 2),
                                        (["--layer", "x"], "run.shp", 2),
                                        (["--layer", "gpkg_contents"], "run.gpkg", 1),
                                        (["--cell-index", "--layer", "x"], "run.gpkg", 0)):
            with self.subTest(options=options):
                self.convert(args, *options, output=self.folder / output, status=status)
        args, _ = grid_job(self.folder, 3, 3, value, names=("I",))
        self.assertIn("'I' and 'I'", self.convert(args, "--cell-index", status=1).stderr)

    def test_replacement_stopped_or_killed_midway_leaves_the_file_as_it_was(self):
        args, _ = grid_job(self.folder, 4, 3, value)
        self.convert(args, "--crs", "EPSG:25829", "--layer", "big")
        self.convert(args, "--crs", "EPSG:25829", "--layer", "kept")
        before = {name: features(self.output, name) for name in ("big", "kept")}
        journal = pathlib.Path(f"{self.output}-journal")
        big = big_grid(self.folder, 700)
        for stop in (signal.SIGINT, signal.SIGKILL):
            with self.subTest(signal=stop.name):
                converter = subprocess.Popen([CONVERT, "-q", *big, "--layer", "big", "-o",
                                              str(self.output)], stdout=subprocess.PIPE,
                                             stderr=subprocess.PIPE)
                # The replacement's transaction is under way once its journal exists.
                self.assertTrue(wait_until(converter.pid, lambda pid: journal.exists()))
                converter.send_signal(stop)
                _, err = converter.communicate(timeout=60)
                self.assertEqual(converter.returncode,
                                 130 if stop == signal.SIGINT else -signal.SIGKILL, err)
                if stop == signal.SIGINT:
                    self.assertFalse(journal.exists())
                # Readers find the file as it was: SQLite rolls back, or ignores, what a kill
                # left in the journal.
                self.assertEqual({name: features(self.output, name) for name in before}, before)
                self.validate()
        # The next conversion goes through and leaves no journal behind.
        self.convert(args, "--layer", "big")
        self.assertEqual(features(self.output, "kept"), before["kept"])
        self.validate()
        self.no_leftovers()


    def test_new_file_stopped_midway_leaves_nothing(self):
        big = big_grid(self.folder, 700)
        converter = subprocess.Popen([CONVERT, "-q", *big, "-o", str(self.output)],
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        # The file is begun while the input is read, with its tables and the index's links
        # (under 8 MB); its 488,601 rows then take some 66 MB: past 24 MB, rows are written.
        self.assertTrue(wait_until(converter.pid, lambda pid: any(
            size_now(p) > 24 << 20 for p in self.folder.glob(".run.gpkg.*"))))
        converter.send_signal(signal.SIGINT)
        _, err = converter.communicate(timeout=60)
        self.assertEqual(converter.returncode, 130, err)
        self.assertIn(b"interrupted by SIGINT while writing", err)
        self.assertEqual(sorted(p.name for p in self.folder.glob("*run.gpkg*")), [])


if __name__ == "__main__":
    CONVERT, VALIDATE = sys.argv[1:3]
    unittest.main(argv=sys.argv[:1], verbosity=2)
