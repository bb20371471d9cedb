#!/usr/bin/python3
"""Runs the real tesselar-convert with a .nc output and reads the UGRID mesh back with
python3-netcdf4: the mesh topology, the nodes against the axys files, each face's nodes against
the grid and its turn from the coordinates in the file, every value of every step with the
no-data fill, the time coordinate, the names and the coordinate system. Also the refusals, and
a conversion stopped or killed while writing, which leaves an earlier file as it was.

    mesh_output.py TESSELAR_CONVERT
"""

import signal
import subprocess
import sys
import unittest

import netCDF4

from harness import FolderTestCase, big_grid, run, wait_until, write

NODATA = -9999.0


def value(step, k, c):
    """Two decimals, distinct per step, attribute and cell; no-data every seventh cell."""
    return NODATA if c % 7 == 3 else round((step + 1) * 100 + (k + 1) * 1.25 + c * 0.5 - 20, 2)


def grid(folder, nodes_i, nodes_j, mirrored=False, degrees=False):
    """Axys files of a skewed grid (x falling along i when mirrored; in degrees when asked):
    their arguments and the nodes (x, y) in file order, j fastest."""
    sign = -1 if mirrored else 1
    if degrees:
        nodes = [(round(-8.5 + sign * 0.01 * i + 0.002 * j, 4), round(42.1 + 0.001 * i + 0.01 * j, 4))
                 for i in range(nodes_i) for j in range(nodes_j)]
    else:
        nodes = [(round(100000.0 + sign * 10.01 * i + 2.53 * j, 2),
                  round(4500000.0 + 3.07 * i + 10.03 * j, 2))
                 for i in range(nodes_i) for j in range(nodes_j)]
    header = [f"SIZE_I : {nodes_i}", f"SIZE_J : {nodes_j}"]
    return (["-x", write(folder / "x.dat", header, [x for x, _ in nodes]),
             "-y", write(folder / "y.dat", header, [y for _, y in nodes])], nodes)


def twice_area(points):
    return sum(x0 * y1 - x1 * y0 for (x0, y0), (x1, y1) in zip(points, points[1:] + points[:1]))


class MeshOutput(FolderTestCase):
    def setUp(self):
        super().setUp()
        self.nc = self.folder / "run.nc"

    def convert(self, *args, output=None, status=0):
        result = run(CONVERT, *args, "-o", output or self.nc)
        self.assertEqual(result.returncode, status, result.stderr)
        return result

    def open(self, path=None):
        dataset = netCDF4.Dataset(path or self.nc)
        self.addCleanup(dataset.close)
        return dataset

    def steps(self, count, names, cells, values=value):
        """Attribute files per step (pattern NAME=a{k}_*.dat): the -a arguments."""
        args = []
        for k, name in enumerate(names):
            for step in range(count):
                write(self.folder / f"a{k}_{step + 1}.dat", [name],
                      [values(step, k, c) for c in range(cells)])
            args += ["-a", f"{name}={self.folder}/a{k}_*.dat"]
        return args

    def check_faces(self, dataset, nodes, nodes_i, nodes_j):
        """Each face holds its cell's four nodes in the grid's cyclic order, anticlockwise as
        the coordinates in the file lie."""
        x = dataset["mesh_node_x"][:].tolist()
        y = dataset["mesh_node_y"][:].tolist()
        self.assertEqual(list(zip(x, y)), nodes)
        faces = dataset["mesh_face_nodes"]
        self.assertEqual(faces.start_index, 0)
        self.assertEqual(faces.cf_role, "face_node_connectivity")
        self.assertEqual(faces.dimensions, ("face", "max_face_nodes"))
        faces = faces[:].tolist()
        self.assertEqual(len(faces), (nodes_i - 1) * (nodes_j - 1))
        n = lambda i, j: i * nodes_j + j
        c = 0
        for i in range(nodes_i - 1):
            for j in range(nodes_j - 1):
                cycle = [n(i, j), n(i + 1, j), n(i + 1, j + 1), n(i, j + 1)]
                face = faces[c]
                self.assertEqual(face[0], cycle[0])
                self.assertIn(face, (cycle, [cycle[0]] + cycle[:0:-1]))
                self.assertGreater(twice_area([(x[p], y[p]) for p in face]), 0, (i, j))
                c += 1

    def test_run_with_times_structure_and_every_value(self):
        args, nodes = grid(self.folder, 5, 4)
        names = ["Depth", "Water temperature"]
        args += self.steps(3, names, 12)
        result = self.convert(*args, "--crs", "EPSG:25829", "--nodata", "-9999",
                              "--time", "2024-01-01T00:00:00+01:00", "--time-step", "PT90M")
        self.assertEqual(result.stdout, f"Polygon netCDF mesh '{self.nc}' was created with success\n")
        self.assertEqual(result.stderr, "")
        self.assertEqual(sorted(p.name for p in self.folder.glob("*run.nc*")), ["run.nc"])
        self.assertEqual(self.nc.read_bytes()[:8], b"\x89HDF\r\n\x1a\n")  # netCDF-4 is HDF5
        dataset = self.open()
        self.assertEqual(dataset.data_model, "NETCDF4")
        self.assertEqual(dataset.Conventions, "CF-1.8 UGRID-1.0")
        self.assertEqual(dict(dataset.dimensions.items()).keys(),
                         {"node", "face", "max_face_nodes", "time"})
        self.assertEqual((len(dataset.dimensions["node"]), len(dataset.dimensions["face"]),
                          len(dataset.dimensions["time"])), (20, 12, 3))
        mesh = dataset["mesh"]
        self.assertEqual((mesh.cf_role, mesh.topology_dimension, mesh.node_coordinates,
                          mesh.face_node_connectivity),
                         ("mesh_topology", 2, "mesh_node_x mesh_node_y", "mesh_face_nodes"))
        for variable, axis in (dataset["mesh_node_x"], "x"), (dataset["mesh_node_y"], "y"):
            self.assertEqual((variable.standard_name, variable.units, variable.grid_mapping),
                             (f"projection_{axis}_coordinate", "m", "crs"))
        self.check_faces(dataset, nodes, 5, 4)

        time = dataset["time"]
        self.assertEqual((time.units, time.calendar, time.standard_name),
                         ("seconds since 2023-12-31 23:00:00", "proleptic_gregorian", "time"))
        self.assertEqual(time[:].tolist(), [0, 5400, 10800])
        self.assertEqual([t.isoformat() for t in netCDF4.num2date(time[:], time.units, time.calendar)],
                         ["2023-12-31T23:00:00", "2024-01-01T00:30:00", "2024-01-01T02:00:00"])

        for k, (name, variable) in enumerate(zip(names, ("Depth", "Water_temperature"))):
            values = dataset[variable]
            self.assertEqual(values.dimensions, ("time", "face"))
            self.assertEqual(values.dtype.str, "<f8")
            self.assertEqual((values.long_name, values.mesh, values.location, values.grid_mapping,
                              values._FillValue), (name, "mesh", "face", "crs", NODATA))
            read = values[:]
            for step in range(3):
                self.assertEqual([None if read.mask[step][c] else read.data[step][c]
                                  for c in range(12)],
                                 [None if value(step, k, c) == NODATA else value(step, k, c)
                                  for c in range(12)])

        crs = dataset["crs"]
        self.assertEqual((crs.grid_mapping_name, crs.epsg, crs.EPSG_code),
                         ("transverse_mercator", 25829, "EPSG:25829"))
        self.assertEqual((crs.longitude_of_central_meridian, crs.scale_factor_at_central_meridian,
                          crs.false_easting, crs.semi_major_axis), (-9, 0.9996, 500000, 6378137))
        self.assertIn('PROJCS["ETRS89 / UTM zone 29N"', crs.crs_wkt)

    def test_times_file_and_values_as_read(self):
        args, _ = grid(self.folder, 3, 3)
        args += self.steps(2, ["T"], 4, values=lambda step, k, c: 1.23456 * (c + 1) + step)
        times = self.folder / "times.txt"
        times.write_text("2020-02-28T23:00:00Z\n2020-03-01T01:00Z\n")
        self.convert(*args, "--crs", "none", "--times", times)
        self.convert(*args, "--crs", "none", "--times", times, "--keep-digits",
                     output=self.folder / "digits.NC")
        rounded, kept = self.open()["T"][:].tolist(), self.open(self.folder / "digits.NC")["T"][:].tolist()
        self.assertEqual(rounded, [[round(1.23456 * (c + 1) + s, 2) for c in range(4)] for s in range(2)])
        self.assertEqual(kept, [[float(f"{1.23456 * (c + 1) + s}") for c in range(4)] for s in range(2)])
        self.assertEqual(self.open()["time"][:].tolist(), [0, 26 * 3600])

    def test_mirrored_grid_and_cells_without_area_keep_their_faces(self):
        args, nodes = grid(self.folder, 4, 3, mirrored=True)
        args += ["-a", f"T={write(self.folder / 't.dat', [], range(6))}"]
        self.convert(*args, "--crs", "EPSG:25829")
        self.check_faces(self.open(), nodes, 4, 3)
        # Nodes on top of each other: a triangle, and a cell folded flat, without area, are
        # faces all the same, the latter with its nodes in the grid's order.
        header = ["SIZE_I : 2", "SIZE_J : 3"]
        flat = ["-x", write(self.folder / "fx.dat", header, [0, 0, 0, 1, 0, 0]),
                "-y", write(self.folder / "fy.dat", header, [0, 1, 2, 0, 1, 2])]
        self.convert(*flat, "-a", f"T={write(self.folder / 'f.dat', [], [5, 6])}", "--crs", "none",
                     output=self.folder / "flat.nc")
        dataset = self.open(self.folder / "flat.nc")
        self.assertEqual(dataset["mesh_face_nodes"][:].tolist(), [[0, 3, 4, 1], [1, 4, 5, 2]])
        self.assertEqual(dataset["T"][:].tolist(), [[5, 6]])

    def test_coordinate_systems(self):
        # Geographic, and the projections whose CF parameters are written, against PROJ's
        # definitions of the codes.
        cases = [("EPSG:4326", ("longitude", "degrees_east"), ("latitude", "degrees_north"),
                  {"grid_mapping_name": "latitude_longitude", "semi_major_axis": 6378137}),
                 ("EPSG:2154", ("projection_x_coordinate", "m"), ("projection_y_coordinate", "m"),
                  {"grid_mapping_name": "lambert_conformal_conic",
                   "standard_parallel": [49, 44], "longitude_of_central_meridian": 3,
                   "latitude_of_projection_origin": 46.5, "false_easting": 700000,
                   "false_northing": 6600000}),
                 ("EPSG:3395", ("projection_x_coordinate", "m"), ("projection_y_coordinate", "m"),
                  {"grid_mapping_name": "mercator", "longitude_of_projection_origin": 0,
                   "scale_factor_at_projection_origin": 1}),
                 ("EPSG:2227", ("projection_x_coordinate", "US_survey_foot"),
                  ("projection_y_coordinate", "US_survey_foot"),
                  {"grid_mapping_name": "lambert_conformal_conic"}),
                 ("EPSG:28992", ("projection_x_coordinate", "m"), ("projection_y_coordinate", "m"),
                  {"grid_mapping_name": "oblique_stereographic",
                   "latitude_of_projection_origin": 52.1561605555556,
                   "longitude_of_projection_origin": 5.38763888888889,
                   "scale_factor_at_projection_origin": 0.9999079, "false_easting": 155000,
                   "false_northing": 463000, "inverse_flattening": 299.1528128}),
                 ("EPSG:3035", ("projection_x_coordinate", "m"), ("projection_y_coordinate", "m"),
                  {"grid_mapping_name": "lambert_azimuthal_equal_area",
                   "latitude_of_projection_origin": 52, "longitude_of_projection_origin": 10,
                   "false_easting": 4321000, "false_northing": 3210000}),
                 ("EPSG:5070", ("projection_x_coordinate", "m"), ("projection_y_coordinate", "m"),
                  {"grid_mapping_name": "albers_conical_equal_area",
                   "standard_parallel": [29.5, 45.5], "latitude_of_projection_origin": 23,
                   "longitude_of_central_meridian": -96}),
                 # Without CF parameters of its own: its WKT and code place it.
                 ("EPSG:3413", ("projection_x_coordinate", "m"), ("projection_y_coordinate", "m"),
                  {"grid_mapping_name": None})]
        args, nodes = grid(self.folder, 3, 4, degrees=True)
        args += ["-a", f"T={write(self.folder / 't.dat', [], range(6))}"]
        for code, x, y, attributes in cases:
            with self.subTest(code):
                output = self.folder / f"{code.replace(':', '_')}.nc"
                self.convert(*args, "--crs", code, output=output)
                dataset = self.open(output)
                self.assertEqual([(v.standard_name, v.units) for v in
                                  (dataset["mesh_node_x"], dataset["mesh_node_y"])], [x, y])
                crs = dataset["crs"]
                self.assertEqual(crs.epsg, int(code[5:]))
                self.assertIn(f'AUTHORITY["EPSG","{code[5:]}"]]', crs.crs_wkt)
                for name, expected in attributes.items():
                    read = getattr(crs, name, None)
                    self.assertEqual(read.tolist() if hasattr(read, "tolist") else read, expected)
                self.check_faces(dataset, nodes, 3, 4)

    def test_single_conversion_is_one_step_without_times(self):
        args, _ = grid(self.folder, 3, 3)
        names = ["Temp", "Temp!", "time", "1st", "Temp?"]
        for k, name in enumerate(names):
            args += ["-a", f"{name}={write(self.folder / f'v{k}.dat', [], [k, k, k, 9999])}"]
        result = self.convert(*args)
        self.assertIn(f"netCDF mesh '{self.nc}' has no coordinate system", result.stderr)
        dataset = self.open()
        self.assertNotIn("crs", dataset.variables)
        self.assertEqual(len(dataset.dimensions["time"]), 1)
        time = dataset["time"]
        self.assertEqual((time[:].tolist(), time.units), ([0], "1"))
        self.assertFalse(hasattr(time, "calendar"))
        variables = ["Temp", "Temp_", "time_1", "v_1st", "Temp__1"]
        self.assertEqual([dataset[v].long_name for v in variables], names)
        for k, variable in enumerate(variables):
            self.assertFalse(hasattr(dataset[variable], "_FillValue"))
            self.assertEqual(dataset[variable][:].tolist(), [[k, k, k, 9999]])

    def test_points_cell_index_and_fit_columns_are_refused(self):
        args, _ = grid(self.folder, 3, 3)
        args += ["-a", f"T={write(self.folder / 't.dat', [], range(4))}"]
        for options, reason in ((["-t", "point"], "particles (-t point) make no mesh"),
                                (["--cell-index"], "option --cell-index"),
                                (["--fit-columns"], "option --fit-columns")):
            result = self.convert(*args, *options, status=2)
            self.assertIn(reason, result.stderr)
            self.assertEqual(list(self.folder.glob("*.nc*")), [])

    def test_a_folder_of_that_name_stays(self):
        args, _ = grid(self.folder, 3, 3)
        args += ["-a", f"T={write(self.folder / 't.dat', [], range(4))}"]
        self.nc.mkdir()
        (self.nc / "inside").write_text("kept")
        result = self.convert(*args, "--crs", "none", status=1)
        self.assertIn(f"cannot create '{self.nc}': it is a folder", result.stderr)
        self.assertEqual([p.name for p in self.folder.glob("*run.nc*")], ["run.nc"])
        self.assertEqual((self.nc / "inside").read_text(), "kept")

    def test_full_disk_leaves_the_earlier_file(self):
        # About 160 KB of mesh on a disk of 128 KB, which holds an earlier small mesh.
        args, _ = grid(self.folder, 60, 60)
        args += ["-a", f"T={write(self.folder / 't.dat', [], [0.5] * 59 * 59)}"]
        disk = self.folder / "small disk"
        disk.mkdir()
        if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=128k", "tmpfs", str(disk)],
                          capture_output=True, check=False).returncode != 0:
            self.skipTest("cannot mount a tmpfs here (needs root and a sandbox that allows it)")
        self.addCleanup(subprocess.run, ["umount", str(disk)], check=False)
        (self.folder / "small").mkdir()
        small, _ = grid(self.folder / "small", 3, 3)
        small += ["-a", f"T={write(self.folder / 's.dat', [], range(4))}"]
        nc = disk / "run.nc"
        self.convert(*small, "--crs", "none", output=nc)
        earlier = nc.read_bytes()
        result = self.convert(*args, "--crs", "none", output=nc, status=1)
        self.assertIn(f"cannot write the netCDF mesh '{nc}'", result.stderr)
        self.assertEqual(nc.read_bytes(), earlier)
        self.assertEqual(sorted(p.name for p in disk.iterdir()), ["run.nc"])

    def test_stopped_or_killed_while_writing_leaves_the_earlier_file(self):
        args, _ = grid(self.folder, 3, 3)
        args += ["-a", f"T={write(self.folder / 't.dat', [], range(4))}"]
        out = self.folder / "out"
        out.mkdir()
        nc = out / "run.nc"
        self.convert(*args, "--crs", "none", output=nc)
        earlier = nc.read_bytes()
        big = big_grid(self.folder, 700)

        def start():
            converter = subprocess.Popen([CONVERT, "-q", *big, "--crs", "none", "-o", str(nc)],
                                         stdout=subprocess.PIPE, stderr=subprocess.PIPE)
            self.assertTrue(wait_until(converter.pid, lambda pid: hidden_in(out)))
            return converter

        converter = start()
        converter.send_signal(signal.SIGINT)
        _, err = converter.communicate(timeout=60)
        self.assertEqual(converter.returncode, 130, err)
        self.assertIn(b"interrupted by SIGINT while", err)
        self.assertEqual(nc.read_bytes(), earlier)
        self.assertEqual(sorted(p.name for p in out.iterdir()), ["run.nc"])

        converter = start()
        converter.kill()
        converter.communicate(timeout=60)
        self.assertEqual(nc.read_bytes(), earlier)
        left = hidden_in(out)
        self.assertTrue(left and all(name.startswith(".run.nc.tesselar-") for name in left), left)
        # The next conversion to that name removes what the killed one left.
        self.convert(*args, "--crs", "none", output=nc)
        self.assertEqual(sorted(p.name for p in out.iterdir()), ["run.nc"])


def hidden_in(folder):
    return [p.name for p in folder.iterdir() if p.name.startswith(".")]


if __name__ == "__main__":
    CONVERT = sys.argv[1]
    unittest.main(argv=sys.argv[:1], verbosity=2)
