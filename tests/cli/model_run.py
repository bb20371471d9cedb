#!/usr/bin/python3
"""A model run in one command: the real tesselar-convert given file-name patterns for the steps
and times, its shapefiles read by pyshp and ogrinfo: the STEP and TIME columns and values of
every step, the natural order of the matches, the errors for patterns and times that make no
steps, one column layout for all steps, and a run that fails or is stopped in a later step
leaving the folder as it was.

    model_run.py TESSELAR_CONVERT OGRINFO
"""

import os
import pathlib
import signal
import subprocess
import sys
import unittest

import shapefile

from harness import (GRID, NODES_X, NODES_Y, FolderTestCase, big_grid, ogr_summary, run, snapshot,
                     wait_until, wait_until_catching, write)


def fields(shp):
    with shapefile.Reader(str(shp)) as reader:
        return [tuple(field[:4]) for field in reader.fields[1:]]


def records(shp):
    with shapefile.Reader(str(shp)) as reader:
        return [list(record) for record in reader.records()]


class ModelRun(FolderTestCase):
    def setUp(self):
        super().setUp()
        self.out = self.folder / "out"
        self.out.mkdir()
        self.grid = ["-x", write(self.folder / "x.dat", GRID, NODES_X),
                     "-y", write(self.folder / "y.dat", GRID, NODES_Y)]

    def steps(self, name, values_by_file):
        """Attribute files of the two-cell grid, one per file name given."""
        for file_name, values in values_by_file.items():
            write(self.folder / file_name, [name], values)

    def convert(self, *arguments, status=0):
        result = run(CONVERT, *self.grid, *arguments)
        self.assertEqual(result.returncode, status, result.stderr)
        return result

    def test_every_step_has_its_step_time_and_values_in_natural_order(self):
        # Named so that byte order (10 before 2 before 9) differs from natural order.
        self.steps("Temperature", {"temp_2.dat": [2.5, -2], "temp_9.dat": [9.5, -9],
                                   "temp_10.dat": [10.5, -10]})
        write(self.folder / "depth.dat", ["Depth"], [4.25, 7])
        self.convert("-a", f"Temp={self.folder}/temp_*.dat", "-a", f"Depth={self.folder}/depth.dat",
                     "--time", "2024-01-01T01:00:00+01:00", "--time-step", "PT30M",
                     "-o", self.out / "run_{step}_{time}.shp")
        expected = [("1", "20240101T000000Z", "2024-01-01T00:00:00Z", [2.5, -2]),
                    ("2", "20240101T003000Z", "2024-01-01T00:30:00Z", [9.5, -9]),
                    ("3", "20240101T010000Z", "2024-01-01T01:00:00Z", [10.5, -10])]
        self.assertEqual(sorted(p.name for p in self.out.glob("*.shp")),
                         [f"run_{step}_{stamp}.shp" for step, stamp, _, _ in expected])
        for step, stamp, iso, temps in expected:
            shp = self.out / f"run_{step}_{stamp}.shp"
            self.assertEqual(fields(shp), [("STEP", "N", 9, 0), ("TIME", "C", 20, 0),
                                           ("Temp", "N", 10, 5), ("Depth", "N", 10, 5)])
            self.assertEqual(records(shp), [[int(step), iso, temps[0], 4.25],
                                            [int(step), iso, temps[1], 7]])
            summary = ogr_summary(OGRINFO, shp)
            self.assertIn("STEP: Integer (9.0)", summary)
            self.assertIn("TIME: String (20.0)", summary)

    def test_times_file_and_zero_padded_step_numbers(self):
        self.steps("T", {f"t{n}.dat": [n, n + 0.5] for n in range(1, 13)})
        times = [f"2024-03-{day:02d}T06:00:00Z" for day in range(1, 13)]
        (self.folder / "times.txt").write_text("\n".join(times) + "\n")
        self.convert("-a", f"T={self.folder}/t*.dat", "--times", self.folder / "times.txt",
                     "-o", self.out / "s{step}")
        names = sorted(p.name for p in self.out.iterdir())
        self.assertEqual(names, sorted(f"s{n:02d}.{ext}" for n in range(1, 13)
                                       for ext in ("shp", "shx", "dbf", "cpg")))
        for n in range(1, 13):
            self.assertEqual(records(self.out / f"s{n:02d}.shp"),
                             [[n, times[n - 1], n], [n, times[n - 1], n + 0.5]])

    def test_fitted_columns_are_one_layout_over_all_steps(self):
        values = {"a_1.dat": [1.5, 2], "a_2.dat": [-12345.67, 0.25], "a_3.dat": [3, 4]}
        self.steps("A", values)
        self.convert("-a", f"A={self.folder}/a_*.dat", "--fit-columns", "-o",
                     self.out / "fit_{step}")
        layouts = {tuple(fields(self.out / f"fit_{n}.shp")) for n in (1, 2, 3)}
        self.assertEqual(layouts, {(("STEP", "N", 9, 0), ("A", "N", 9, 2))})
        for n, file_values in enumerate(values.values(), start=1):
            self.assertEqual([row[1] for row in records(self.out / f"fit_{n}.shp")], file_values)
        # Appending every step into one layer loses no digit.
        merged = self.folder / "merged.shp"
        for n in (1, 2, 3):
            subprocess.run([OGR2OGR, *(["-append"] if n > 1 else []), str(merged),
                            str(self.out / f"fit_{n}.shp")], check=True, capture_output=True)
        self.assertEqual([row[1] for row in records(merged)],
                         [v for file_values in values.values() for v in file_values])

    def test_patterns_that_make_no_steps_are_refused_before_writing(self):
        self.steps("T", {"t_1.dat": [1, 2], "t_2.dat": [1, 2], "t_3.dat": [1, 2]})
        self.steps("S", {"s_1.dat": [1, 2], "s_2.dat": [1, 2]})
        t, s = f"{self.folder}/t_*.dat", f"{self.folder}/s_*.dat"
        out = str(self.out / "r_{step}")
        (self.folder / "times2.txt").write_text("2024-01-01T00:00:00Z\n2024-01-01T00:00:00Z\n"
                                                "2024-01-02T00:00:00Z\n")
        cases = [
            (["-a", f"T={t}", "-a", f"S={s}", "-o", out],
             [f"'{t}' (T) matches 3", f"'{s}' (S) matches 2"]),
            (["-a", f"T={t}", "-a", f"W={self.folder}/w_*.dat", "-o", out],
             [f"attribute 'W': the pattern '{self.folder}/w_*.dat' matches no file"]),
            (["-a", f"T={t}", "-o", self.out / "r"], ["holds neither {step} nor {time}"]),
            (["-a", f"T={t}", "-o", self.out / "r_{time}"], ["holds {time} but the steps"]),
            (["-a", f"T={t}", "--time", "2024-01-01T00:00", "-o", out], ["--time-step"]),
            (["-a", f"T={t}", "--times", self.folder / "times2.txt", "-o", out],
             ["line 2: 2024-01-01T00:00:00Z is not later"]),
            (["-a", f"T={t}", "--time", "2024-13-01T00:00", "-o", out],
             ["option --time: '2024-13-01T00:00' is not an ISO 8601 date-time"]),
            (["-a", f"T={t}", "--time", "2024-01-01T00:00", "--time-step", "P1M", "-o", out],
             ["option --time-step: 'P1M'"]),
            (["-a", f"T={t}", "-o", f"{out}.gpkg"],
             [f"output '{out}.gpkg' is a GeoPackage, which holds every step: {{step}} and "
              "{time} name the shapefiles of a run written as shapefiles"]),
            (["-a", f"T={t}", "--time", "2024-01-01T00:00", "--time-step", "PT1H", "-o",
              f"{self.out}/r_{{time}}.FGB"],
             [f"output '{self.out}/r_{{time}}.FGB' is a FlatGeobuf file, which holds every "
              "step"]),
        ]
        for arguments, named in cases:
            result = self.convert(*arguments, status=2)
            for text in named:
                self.assertIn(text, result.stderr, arguments)
            self.assertEqual(list(self.out.iterdir()), [], arguments)

    def test_a_failing_step_leaves_every_earlier_output_as_it_was(self):
        self.steps("T", {f"t_{n}.dat": [n, n] for n in range(1, 5)})
        self.convert("-a", f"T={self.folder}/t_*.dat", "-o", self.out / "r_{step}")
        earlier = snapshot(self.out)
        self.steps("T", {f"t_{n}.dat": [10 * n, 10 * n] for n in range(1, 5)})
        # Step 3 ends after one value: found only once steps 1 and 2 are written.
        write(self.folder / "t_3.dat", ["T"], [30])
        result = self.convert("-a", f"T={self.folder}/t_*.dat", "-o", self.out / "r_{step}",
                              status=1)
        self.assertIn("t_3.dat", result.stderr)
        self.assertEqual(snapshot(self.out), earlier)
        # Step 3 without its "<BeginData>" line: refused before any value is read.
        (self.folder / "t_3.dat").write_text("T\n30\n30\n")
        result = self.convert("-a", f"T={self.folder}/t_*.dat", "-o", self.out / "r_{step}",
                              status=1)
        self.assertIn("t_3.dat", result.stderr)
        self.assertIn("<BeginData>", result.stderr)
        self.assertEqual(snapshot(self.out), earlier)

    def test_a_stopped_or_killed_run_leaves_the_folder_as_it_was(self):
        big = big_grid(self.folder, nodes=400)
        t = big[-1].split("=", 1)[1]
        for n in (1, 2, 3):
            os.link(t, self.folder / f"big_{n}.tdat")
        arguments = [*big[:4], "-a", f"Temp={self.folder}/big_*.tdat", "-o",
                     str(self.out / "big_{step}")]
        write(self.out / "big_1.dat", [], [1])  # an unrelated file that must stay
        earlier = snapshot(self.out)
        for signal_number in (signal.SIGINT, signal.SIGTERM, signal.SIGKILL):
            converter = subprocess.Popen([CONVERT, "-q", *arguments], stdout=subprocess.PIPE,
                                         stderr=subprocess.PIPE)
            if signal_number != signal.SIGKILL:
                wait_until_catching(converter.pid, signal_number)
            # Step 1 is held back complete while step 2 is written: more than one set open.
            self.assertTrue(wait_until(converter.pid, open_in(self.out, at_least=6)))
            converter.send_signal(signal_number)
            _, err = converter.communicate(timeout=120)
            expected = 128 + signal_number if signal_number != signal.SIGKILL else -signal_number
            self.assertEqual(converter.returncode, expected, err)
            self.assertEqual(snapshot(self.out), earlier, signal_number)

    def test_warnings_are_collected_over_all_steps_naming_the_step(self):
        # Step 2 holds a value too long for the 10-character column, step 3 one that rounding
        # to hundredths makes 0.
        self.steps("T", {"w_1.dat": [1, 2], "w_2.dat": [123456789.25, 2], "w_3.dat": [0.004, 2]})
        arguments = ["-a", f"T={self.folder}/w_*.dat", "-o", self.out / "w_{step}"]
        result = self.convert(*arguments, "--crs", "none")
        warnings = [line for line in result.stderr.splitlines() if ": warning: " in line]
        written = dbf_text(self.out / "w_2.dbf", record=0, start=9, width=10).strip()
        self.assertEqual(len(warnings), 2, warnings)
        self.assertEqual(warnings[1], f"tesselar-convert: warning: '{self.out}/w_2.shp': 1 value "
                         "of attribute 'T' did not fit its 10-character column and was rounded "
                         f"to fewer digits: 123456789.25 was written as {written}")
        self.assertIn("became 0", warnings[0])
        self.assertIn("w_3.dat", warnings[0])
        # Without a coordinate system the run is told once that its sets have no .prj.
        result = self.convert(*arguments)
        no_prj = [line for line in result.stderr.splitlines() if "no .prj" in line]
        self.assertEqual(len(no_prj), 1, result.stderr)

    def test_a_single_step_is_written_as_before_and_one_match_as_one_step(self):
        self.steps("T", {"only_1.dat": [12.5, -3.25]})
        self.convert("-a", f"T={self.folder}/only_1.dat", "-o", self.out / "plain_{step}")
        self.assertEqual(fields(self.out / "plain_{step}.shp"), [("T", "N", 10, 5)])
        self.assertEqual(records(self.out / "plain_{step}.shp"), [[12.5], [-3.25]])
        self.convert("-a", f"T={self.folder}/only_*.dat", "-o", self.out / "one_{step}")
        self.assertEqual(records(self.out / "one_1.shp"), [[1, 12.5], [1, -3.25]])
        # The geometry is the same bytes as converting the step alone.
        for ext in ("shp", "shx", "cpg"):
            self.assertEqual((self.out / f"one_1.{ext}").read_bytes(),
                             (self.out / f"plain_{{step}}.{ext}").read_bytes(), ext)
        # --time alone stamps a single conversion.
        self.convert("-a", f"T={self.folder}/only_1.dat", "--time", "2024-05-01T12:00:00Z",
                     "-o", self.out / "stamped")
        self.assertEqual(records(self.out / "stamped.shp"),
                         [[1, "2024-05-01T12:00:00Z", 12.5], [1, "2024-05-01T12:00:00Z", -3.25]])


    def test_every_step_is_the_bytes_of_its_step_converted_alone(self):
        # The shipped grid, four steps of distinct values read while earlier steps are written.
        estuary = pathlib.Path(__file__).resolve().parents[2] / "examples" / "estuary"
        grid = ["-x", estuary / "grid_x.dat", "-y", estuary / "grid_y.dat"]
        lines = (estuary / "temperature.dat").read_text().splitlines()
        begin = lines.index("<BeginData>") + 1
        for n in range(1, 5):
            shifted = [f"{float(v) + 0.37 * n:.2f}" if v[:1] not in ("<", "") else v
                       for v in lines[begin:]]
            (self.folder / f"temp_{n}.dat").write_text("\n".join(lines[:begin] + shifted) + "\n")
        salinity = f"S={estuary / 'salinity.dat'}"
        options = ["--cell-index", "--crs", "EPSG:25829"]
        result = run(CONVERT, *grid, "-a", f"T={self.folder}/temp_*.dat", "-a", salinity,
                     *options, "-o", self.out / "run_{step}")
        self.assertEqual(result.returncode, 0, result.stderr)
        for n in range(1, 5):
            # One match is a run of one step, in the same layout.
            result = run(CONVERT, *grid, "-a", f"T={self.folder}/temp_{n}.d[a]t", "-a", salinity,
                         *options, "-o", self.out / f"alone_{n}")
            self.assertEqual(result.returncode, 0, result.stderr)
            for ext in ("shp", "shx", "prj", "cpg"):
                self.assertEqual((self.out / f"run_{n}.{ext}").read_bytes(),
                                 (self.out / f"alone_{n}.{ext}").read_bytes(), (n, ext))
            # The tables differ only in STEP, the first 9 characters after each deletion flag.
            run_dbf = (self.out / f"run_{n}.dbf").read_bytes()
            alone_dbf = (self.out / f"alone_{n}.dbf").read_bytes()
            header_size = int.from_bytes(run_dbf[8:10], "little")
            record_size = int.from_bytes(run_dbf[10:12], "little")
            self.assertEqual(run_dbf[:header_size], alone_dbf[:header_size], n)
            self.assertEqual(len(run_dbf), len(alone_dbf))
            records_bytes = len(run_dbf) - header_size - 1
            self.assertEqual(records_bytes % record_size, 0)
            for at in range(header_size, len(run_dbf) - 1, record_size):
                self.assertEqual(run_dbf[at + 1:at + 10], f"{n:9d}".encode("ascii"))
                self.assertEqual(alone_dbf[at + 1:at + 10], f"{1:9d}".encode("ascii"))
                self.assertEqual(run_dbf[at + 10:at + record_size],
                                 alone_dbf[at + 10:at + record_size], (n, at))
            self.assertEqual(run_dbf[-1:], alone_dbf[-1:])


def dbf_text(dbf, record, start, width):
    """The text of a record's field as the .dbf stores it: `start` counts from the first byte
    after the record's deletion flag."""
    data = dbf.read_bytes()
    header_size = int.from_bytes(data[8:10], "little")
    record_size = int.from_bytes(data[10:12], "little")
    at = header_size + record * record_size + 1 + start
    return data[at:at + width].decode("ascii")


def open_in(folder, at_least):
    """Whether the process has at least `at_least` files of `folder` open."""
    def counting(pid):
        count = 0
        for descriptor in os.listdir(f"/proc/{pid}/fd"):
            try:
                if os.readlink(f"/proc/{pid}/fd/{descriptor}").startswith(f"{folder}/"):
                    count += 1
            except FileNotFoundError:
                pass
        return count >= at_least
    return counting


if __name__ == "__main__":
    CONVERT, OGRINFO, OGR2OGR = sys.argv[1:4]
    unittest.main(argv=sys.argv[:1])
