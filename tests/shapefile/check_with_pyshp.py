"""pyshp reads the sample shapefiles: check_with_pyshp.py WRITE_SAMPLE_SHAPEFILES"""

import sys
import unittest

import shapefile

import sample_shapefiles as samples


class PyshpReadsSamples(samples.SamplesTestCase):
    def open(self, name):
        reader = shapefile.Reader(self.path(name), encoding="utf-8")
        self.addCleanup(reader.close)
        return reader

    def test_grid_cells_are_closed_clockwise_rings_with_their_values(self):
        reader = self.open("grid.shp")
        self.assertEqual(reader.shapeType, shapefile.POLYGON)
        self.assertEqual(len(reader), len(samples.CELLS))
        self.assertEqual(tuple(reader.bbox), samples.node_extent(samples.grid_node))
        self.assertEqual([field[0] for field in reader.fields[1:]], samples.GRID_FIELDS)
        for field in reader.fields[1:]:
            self.assertEqual(field[1:], ["N", 10, 5])
        for n, (i, j) in enumerate(samples.CELLS):
            shape = reader.shape(n)  # through the .shx index
            self.assertEqual(list(shape.parts), [0])
            self.assertGridCellRing(shape.points, i, j)
            self.assertTrue(shapefile.is_cw(shape.points))
            self.assertValues(list(reader.record(n)), samples.grid_values(i, j))
        self.assertEqual([list(s.points) for s in reader.iterShapes()],
                         [list(reader.shape(n).points) for n in range(len(reader))])

    def test_clockwise_cells_are_written_as_given(self):
        reader = self.open("flipped.shp")
        for n, (i, j) in enumerate(samples.CELLS):
            corners = samples.cell_corners(samples.flipped_node, i, j)
            self.assertEqual([tuple(p) for p in reader.shape(n).points],
                             corners + [corners[0]])
            self.assertEqual(list(reader.record(n)), [4 * i + j])

    def test_particles(self):
        reader = self.open("particles.shp")
        self.assertEqual(reader.shapeType, shapefile.POINT)
        self.assertEqual([field[0] for field in reader.fields[1:]], samples.PARTICLE_FIELDS)
        self.assertEqual([tuple(s.points[0]) for s in reader.shapes()], samples.PARTICLES)
        for p in range(len(samples.PARTICLES)):
            self.assertValues(list(reader.record(p)), samples.particle_values(p))

    def test_empty_file(self):
        reader = self.open("empty.shp")
        self.assertEqual(reader.shapeType, shapefile.POINT)
        self.assertEqual(len(reader), 0)
        self.assertEqual(list(reader.bbox), [0, 0, 0, 0])
        self.assertEqual([field[0] for field in reader.fields[1:]], ["Mass"])
        self.assertEqual(reader.records(), [])

    def test_code_page_file_names_utf8(self):
        with open(self.path("grid.cpg"), "rb") as cpg:
            self.assertEqual(cpg.read(), b"UTF-8")


if __name__ == "__main__":
    samples.PROGRAM = sys.argv[1]
    unittest.main(argv=sys.argv[:1], verbosity=2)
