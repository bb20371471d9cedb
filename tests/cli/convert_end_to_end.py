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
import signal
import subprocess
import sys
import unittest
from decimal import ROUND_HALF_EVEN, Decimal
from fractions import Fraction

import shapefile

from harness import FolderTestCase, ogr_summary, proc, run, wait_until, wait_until_catching, write


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


class Conversions(FolderTestCase):
    def setUp(self):
        super().setUp()
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
            result = subprocess.run([CONVERT, *map(str, self.args()), "--crs", "none"],
                                    stdout=closed,
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
        self.assertEqual(self.convert("--crs", "none"),
                         "tesselar-convert: warning: coordinates keep the digits "
                         f"read: rounded to 2 decimals, {changed} of 841 cells "
                         "would have changed their area by more than 1% or "
                         "become invalid polygons\n")
        self.assertEqual([set(points) for points in self.shapes_and_records()[0]],
                         [{tuple(map(float, read[n])) for n in ring} for ring in rings])

        # One cell of four: cell (1, 1) rounds to a point, its neighbours keep their area.
        self.grid(["0", "0", "0", "0.001", "0.001", "1", "2", "2", "2"],
                  ["0", "0.001", "2", "0", "0.001", "2", "0", "1", "2"], 3, 3, ["1"] * 4)
        self.assertEqual(self.convert("--crs", "none"),
                         "tesselar-convert: warning: coordinates keep the digits read: rounded to "
                         "2 decimals, 1 of 4 cells would have changed their area by more than 1% "
                         "or become invalid polygons\n")
        self.assertEqual(set(self.shapes_and_records()[0][0]),
                         {(0, 0), (0.001, 0), (0.001, 0.001), (0, 0.001)})

        self.grid(["-8.701", "-8.704", "-8.75"], ["42.1"] * 3, 4, None, ["1", "2", "3"], "point")
        self.assertEqual(self.convert("--crs", "none"), "tesselar-convert: warning: coordinates keep the digits "
                                         "read: rounded to 2 decimals, 2 of 3 particles would "
                                         "have coincided with another\n")
        self.assertEqual(self.shapes_and_records()[0],
                         [[(-8.701, 42.1)], [(-8.704, 42.1)], [(-8.75, 42.1)]])

    def test_lines_without_a_number_and_values_that_became_0_are_counted(self):
        self.small_grid(["nan", "1e-400", "inf", "-inf"])
        self.assertEqual(self.convert("--crs", "none"),
                         "tesselar-convert: warning: 3 value lines held no number "
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

    def test_crs_takes_what_proj_reads_and_reads_a_pipe_once(self):
        self.small_grid()
        for text in ("ESRI:102100", "OGC:CRS84", "urn:ogc:def:crs:EPSG::4326",
                     "+proj=utm +zone=29 +ellps=GRS80 +units=m +no_defs"):
            with self.subTest(crs=text):
                self.convert("--crs", text)
                self.assertEqual(srs("-o", "proj4", self.folder / "out.prj"),
                                 srs("-o", "proj4", text))
        esri = srs("-o", "wkt_esri", "EPSG:25829")
        piped = run(CONVERT, *self.args(), "--crs", "/dev/stdin", input=esri)
        substituted = run("bash", "-c", '"$0" "$@" --crs <(printf %s "$CRS")', CONVERT,
                          *self.args(), env={**os.environ, "CRS": esri})
        for result in (piped, substituted):
            self.assertEqual((result.returncode, result.stderr), (0, ""))
            self.assertIn("EPSG:25829", srs("-e", self.folder / "out.prj"))

    def test_proj_is_loaded_only_for_a_coordinate_system(self):
        # The dynamic loader names every library it loads when LD_DEBUG=libs.
        self.small_grid()
        for options, sidecar, loaded in (([], None, False), (["--crs", "none"], "EPSG:3857", False),
                                         (["--crs", "EPSG:4326"], None, True),
                                         ([], "EPSG:3857", True)):
            self.sidecar.unlink(missing_ok=True)
            if sidecar is not None:
                self.sidecar.write_text(sidecar)
            result = run(CONVERT, *self.args(), *options, env={**os.environ, "LD_DEBUG": "libs"})
            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertEqual("libproj.so" in result.stderr, loaded, (options, sidecar))

    def test_crs_without_a_map_position_or_without_proj_database_is_refused(self):
        self.small_grid()
        err = self.convert("--crs", "EPSG:5773", status=2)
        self.assertTrue(err.startswith("tesselar-convert: option --crs: Coordinate system "
                                       "'EPSG:5773': PROJ reads it as 'EGM96 height', a vertical "
                                       "coordinate system"), err)
        # Without its database PROJ knows no code and writes WKT with names ArcGIS does not know.
        no_database = {**os.environ, "PROJ_DATA": str(self.folder / "empty")}
        (self.folder / "empty").mkdir()
        for options, sidecar, status in ((["--crs", "EPSG:4326"], None, 2),
                                         ([], srs("-o", "wkt1", "EPSG:25829"), 1)):
            self.sidecar.unlink(missing_ok=True)
            if sidecar:
                self.sidecar.write_text(sidecar)
            result = run(CONVERT, *self.args(), *options, env=no_database)
            self.assertEqual(result.returncode, status, result.stderr)
            self.assertIn("PROJ cannot find its database, so it reads no coordinate system",
                          result.stderr)
            self.assertEqual(list(self.folder.glob("out*")), [])

    def test_warnings_about_the_prj_and_sidecars_that_cannot_be_read(self):
        self.small_grid()
        no_prj = (f"tesselar-convert: warning: no coordinate system was given, so the shapefile "
                  f"has no .prj: put one beside the X axys file as '{self.sidecar}' (or, with "
                  f"tesselar-convert, give --crs)\n")
        self.assertEqual(self.convert(), no_prj)
        self.assertEqual(self.convert("--crs", "none"), "")
        # x.prj and x.PRJ that differ: x.prj is used, and named.
        upper = self.folder / "x.PRJ"
        upper.write_text(srs("-o", "wkt_esri", "EPSG:4326"))
        err = self.convert(sidecar=srs("-o", "wkt_esri", "EPSG:3857"))
        self.assertEqual(err, f"tesselar-convert: warning: the X axys file has two sidecars that "
                              f"differ, '{self.sidecar}' and '{upper}': the .prj written is that "
                              f"of '{self.sidecar}'\n")
        self.assertIn("EPSG:3857", srs("-e", self.folder / "out.prj"))
        upper.unlink()
        # A sidecar that leads nowhere is no sidecar passed over.
        self.sidecar.unlink()
        self.sidecar.symlink_to("gone.prj")
        result = run(CONVERT, *self.args())
        self.assertEqual((result.returncode, result.stderr),
                         (1, f"tesselar-convert: Coordinate system file '{self.sidecar}': cannot "
                             f"open the file: No such file or directory (it is a symbolic link "
                             f"to 'gone.prj')\n"))

    def test_crs_or_sidecar_fifo_without_writer_ends_as_interrupted(self):
        self.small_grid()
        fifo = self.folder / "crs.fifo"
        os.mkfifo(fifo)
        os.mkfifo(self.sidecar)
        for options, signal_number in ((["--crs", fifo], signal.SIGINT), ([], signal.SIGTERM)):
            converter = subprocess.Popen([CONVERT, *map(str, self.args()), *map(str, options)],
                                         stderr=subprocess.PIPE, text=True)
            wait_until_catching(converter.pid, signal_number)
            # Asleep in open(2), where the kernel shows it (some hide where: "0").
            wait_until(converter.pid, lambda pid: proc(pid, "stat").split(") ")[1][0] == "S" and
                       proc(pid, "wchan") in ("wait_for_partner", "0"))
            converter.send_signal(signal_number)
            err = converter.communicate(timeout=60)[1]
            name = signal.Signals(signal_number).name
            waited = fifo if options else self.sidecar
            self.assertEqual((converter.returncode, err),
                             (128 + signal_number,
                              f"tesselar-convert: interrupted by {name} while reading the "
                              f"coordinate system file '{waited}'; no shape file was written\n"))
            self.assertEqual(list(self.folder.glob("out*")), [])

    def test_a_grid_without_cells_or_particles_is_written_with_a_warning(self):
        for kind, nodes_i, nodes_j, warning in (
                ("polygon", 1, 3, "a grid of 1 x 3 nodes has no cells"),
                ("point", 1, None, '"SIZE_I" 1 counts no particles')):
            with self.subTest(kind=kind):
                self.grid(["0"] * 3, ["0"] * 3, nodes_i, nodes_j, [], kind)
                err = self.convert("--crs", "none")
                self.assertEqual(err, "tesselar-convert: warning: the shapefile holds no shapes: "
                                      f"{warning}\n")
                self.assertIn("Feature Count: 0", ogr_summary(OGRINFO, self.folder / "out.shp"))
                # The other formats name themselves in the warning.
                for output, holder in (("out.gpkg", "the GeoPackage layer"),
                                       ("out.fgb", "the FlatGeobuf file")):
                    result = run(CONVERT, *self.args()[:-2], "-o", self.folder / output,
                                 "--crs", "none")
                    self.assertEqual((result.returncode, result.stderr),
                                     (0, f"tesselar-convert: warning: {holder} holds no shapes: "
                                         f"{warning}\n"))
                    self.assertIn("Feature Count: 0", ogr_summary(OGRINFO, self.folder / output))

    def test_names_with_outer_blanks_or_invisible_characters_are_refused(self):
        self.small_grid()
        table = self.folder / "t.dat"
        for name, reason in ((" lead", "begins with a blank (U+0020)"),
                             ("lead ", "ends with a blank (U+0020)"),
                             ("lead\u00a0", "ends with a blank (U+00A0)"),
                             ("a\u0085b", "holds the invisible character U+0085 (byte 2)"),
                             ("a\u2028b", "holds the invisible character U+2028 (byte 2)"),
                             ("a\u202eb", "holds the invisible character U+202E (byte 2)")):
            with self.subTest(name=name):
                result = run(CONVERT, *self.args()[:-4], "-a", f"{name}={table}", "-o",
                             self.folder / "named.shp")
                self.assertEqual(result.returncode, 1, result.stderr)
                self.assertTrue(result.stderr.startswith(
                    f"tesselar-convert: Attribute '{name}': the name {reason}"), result.stderr)
                self.assertEqual(list(self.folder.glob("named*")), [])

    def column_texts(self):
        """The raw text of the last column of each record of out.dbf, as the dBASE file holds
        it: the header gives the header and record lengths, the last descriptor the width."""
        dbf = (self.folder / "out.dbf").read_bytes()
        header, record = int.from_bytes(dbf[8:10], "little"), int.from_bytes(dbf[10:12], "little")
        width = dbf[header - 1 - 32 + 16]
        count = int.from_bytes(dbf[4:8], "little")
        return [dbf[header + n * record + record - width:header + (n + 1) * record].decode()
                for n in range(count)]

    def test_fitted_and_kept_digits_are_written_whole_or_counted(self):
        # Each value's column text reads back as the value (read by float() from the raw field
        # and by pyshp, GDAL reading the column as real numbers), except those that no text of
        # the column can hold: those are counted, per column, with the column's real width and
        # the first of them as the column holds it.
        for options, cells, field, lost in (
                (["--fit-columns"], ["0.25", "1e17"], ["Temp", "N", 19, 2], []),
                (["--fit-columns"], ["1.5", "1e300"], ["Temp", "N", 6, 1], []),
                (["--keep-digits", "--fit-columns"],
                 ["1e-20", "0.5", "0.30000000000000004", "12345.678901234567", "-0.000001"],
                 ["Temp", "N", 19, 12], ["0.30000000000000004"]),
                (["--keep-digits"],
                 ["0.30000000000000004", "12345.678901234567", "4.9e-324", "1e-310", "-0.000001",
                  "1e-20", "1.25"],
                 ["Temp", "N", 10, 5], ["0.30000000000000004", "12345.678901234567"])):
            with self.subTest(options=options, cells=cells):
                self.grid([str(100 * n) for n in range(len(cells))], ["0"] * len(cells),
                          len(cells) + 1, None, cells, "point")
                err = self.convert(*options, "--crs", "none")
                _, fields, records = self.shapes_and_records()
                self.assertEqual(fields, [field])
                self.assertIn(f"Temp: Real ({field[2]}.{field[3]})",
                              ogr_summary(OGRINFO, self.folder / "out.shp"))
                texts = self.column_texts()
                self.assertEqual([float(text) == float(cell) for text, cell in zip(texts, cells)],
                                 [cell not in lost for cell in cells], texts)
                self.assertEqual([record[0] == float(cell) for record, cell in zip(records, cells)],
                                 [cell not in lost for cell in cells], records)
                if not lost:
                    self.assertEqual(err, "")
                    continue
                first = texts[cells.index(lost[0])].strip()
                counted = (f"1 value of attribute 'Temp' did not fit its {field[2]}-character "
                           f"column and was rounded to fewer digits: {lost[0]} was written as "
                           f"{first}" if len(lost) == 1 else
                           f"{len(lost)} values of attribute 'Temp' did not fit its "
                           f"{field[2]}-character column and were rounded to fewer digits; the "
                           f"first, {lost[0]}, was written as {first}")
                self.assertEqual(err, f"tesselar-convert: warning: {counted}\n")


if __name__ == "__main__":
    CONVERT, OGRINFO, EXAMPLES, GDALSRSINFO, OGR2OGR = sys.argv[1:6]
    EXAMPLES = pathlib.Path(EXAMPLES)
    unittest.main(argv=sys.argv[:1], verbosity=2)
