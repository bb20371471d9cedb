"""The sample shapefiles that write_sample_shapefiles writes, described independently of it.

The checks compare what independent readers find in those files with this description.
"""

import math
import os
import subprocess
import tempfile
import unittest

PROGRAM = ""  # write_sample_shapefiles, set by the check from its first argument

CELLS = [(i, j) for i in range(3) for j in range(4)]  # record order: i outer, j inner


def grid_node(i, j):
    return (100.0 + 10 * i + j, 50.0 + 5 * j - i)


def flipped_node(i, j):
    return (100.0 + 10 * i + j, 50.0 - 5 * j - i)


def cell_corners(node, i, j):
    return [node(i, j), node(i + 1, j), node(i + 1, j + 1), node(i, j + 1)]


def node_extent(node):
    points = [node(i, j) for i in range(4) for j in range(5)]
    xs = [x for x, _ in points]
    ys = [y for _, y in points]
    return (min(xs), min(ys), max(xs), max(ys))


# Column names as a dBASE table holds them: at most 10 bytes, unique ignoring case.
GRID_FIELDS = ["Temperatur", "temperat_1", "Salinité", "Eaux saum", "Depth", "Unset",
               "Temperat_2"]


def grid_values(i, j):
    depth = 12345.67 if i == 0 else 1e12  # not set for i = 2: the value of i = 1 is kept
    return [10 * i + j + 0.25, -(i + j) - 0.5, 35.5 - i, 1234.5, depth, None, i * j / 100]


PARTICLE_FIELDS = ["Mass", "Age"]
PARTICLES = [(1.5 * p, -2.0 * p) for p in range(5)]


def particle_values(p):
    return [p / 2, 100 - p]


def signed_area(ring):
    """Shoelace area of a closed ring, positive when it runs counter-clockwise."""
    return sum(x0 * y1 - x1 * y0 for (x0, y0), (x1, y1) in zip(ring, ring[1:])) / 2


class SamplesTestCase(unittest.TestCase):
    """Tests of the samples, written once into a temporary folder."""

    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory()
        subprocess.run([PROGRAM, cls.folder.name], check=True)

    @classmethod
    def tearDownClass(cls):
        cls.folder.cleanup()

    def path(self, name):
        return os.path.join(self.folder.name, name)

    def assertValues(self, values, expected):
        self.assertEqual(len(values), len(expected))
        for got, want in zip(values, expected):
            if want is None:
                self.assertIsNone(got)
            else:
                self.assertTrue(math.isclose(got, want, rel_tol=1e-12), f"{got} != {want}")

    def assertGridCellRing(self, points, i, j):
        """`points` run clockwise round the corners of grid cell (i, j), from its first corner
        back to it."""
        ring = [tuple(point) for point in points]
        corners = cell_corners(grid_node, i, j)
        self.assertEqual(ring[0], corners[0])
        self.assertEqual(ring[-1], corners[0])
        self.assertEqual(sorted(ring[:-1]), sorted(corners))
        self.assertLess(signed_area(ring), 0)
