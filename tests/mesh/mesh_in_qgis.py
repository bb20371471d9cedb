#!/usr/bin/python3
"""Converts a run of three steps to a .nc mesh with the real tesselar-convert and opens it in
QGIS (PyQGIS, headless) as a mesh layer through MDAL: valid, with the coordinate system, the
grid's nodes and cells, one dataset group per attribute on the faces with a dataset per step,
every face value as converted (no-data as none), and the layer's temporal range stepping
through the run's times. A run without times opens with its steps in order.

    mesh_in_qgis.py TESSELAR_CONVERT
"""

import sys
import unittest

from qgis.core import (QgsApplication, QgsDateTimeRange, QgsMesh, QgsMeshDatasetIndex,
                       QgsMeshLayer)
from qgis.PyQt.QtCore import QDateTime, Qt

from harness import FolderTestCase, run, write
from mesh_output import NODATA, grid, value

STEPS = 3


class MeshInQgis(FolderTestCase):
    def convert(self, *options):
        args, nodes = grid(self.folder, 6, 5)
        names = ["Depth", "Water temperature"]
        for k, name in enumerate(names):
            for step in range(STEPS):
                write(self.folder / f"a{k}_{step + 1}.dat", [name],
                      [value(step, k, c) for c in range(20)])
            args += ["-a", f"{name}={self.folder}/a{k}_*.dat"]
        nc = self.folder / "run.nc"
        result = run(CONVERT, *args, "--crs", "EPSG:25829", "--nodata", "-9999", *options,
                     "-o", nc)
        self.assertEqual(result.returncode, 0, result.stderr)
        layer = QgsMeshLayer(str(nc), "run", "mdal")
        self.assertTrue(layer.isValid())
        return layer, nodes, names

    def check_groups(self, layer, nodes, names):
        provider = layer.dataProvider()
        self.assertEqual(layer.crs().authid(), "EPSG:25829")
        self.assertEqual((provider.vertexCount(), provider.faceCount()), (30, 20))
        mesh = QgsMesh()
        provider.populateMesh(mesh)
        self.assertEqual([(mesh.vertex(v).x(), mesh.vertex(v).y()) for v in range(30)], nodes)
        groups = {provider.datasetGroupMetadata(g).name(): g
                  for g in range(provider.datasetGroupCount())}
        self.assertEqual(sorted(groups), sorted(names))
        for k, name in enumerate(names):
            group = groups[name]
            metadata = provider.datasetGroupMetadata(group)
            self.assertTrue(metadata.isScalar())
            self.assertEqual(metadata.dataType(), metadata.DataOnFaces)
            self.assertEqual(provider.datasetCount(group), STEPS)
            for step in range(STEPS):
                index = QgsMeshDatasetIndex(group, step)
                read = provider.datasetValues(index, 0, 20)
                expected = [None if value(step, k, c) == NODATA else value(step, k, c)
                            for c in range(20)]
                got = [read.value(c).scalar() for c in range(20)]
                self.assertEqual([None if e is None else g for g, e in zip(got, expected)],
                                 expected, (name, step))
                # No-data reads as no value (NaN) in QGIS.
                self.assertTrue(all(g != g for g, e in zip(got, expected) if e is None))
        return groups

    def test_run_with_times_steps_through_the_temporal_range(self):
        layer, nodes, names = self.convert("--time", "2024-01-01T00:00:00Z", "--time-step", "PT1H")
        groups = self.check_groups(layer, nodes, names)
        temporal = layer.temporalProperties()
        self.assertTrue(temporal.isActive())
        start = QDateTime(2024, 1, 1, 0, 0, 0, 0, Qt.UTC)
        self.assertEqual(temporal.timeExtent().begin(), start)
        self.assertEqual(temporal.timeExtent().end(), start.addSecs(2 * 3600))
        for step in range(STEPS):
            at = start.addSecs(step * 3600)
            for group in groups.values():
                self.assertEqual(layer.datasetIndexAtTime(QgsDateTimeRange(at, at), group),
                                 QgsMeshDatasetIndex(group, step))

    def test_run_without_times_opens_its_steps_in_order(self):
        layer, nodes, names = self.convert()
        groups = self.check_groups(layer, nodes, names)
        provider = layer.dataProvider()
        for group in groups.values():
            # MDAL reads the step numbers as hours from the layer's reference time.
            self.assertEqual([provider.datasetMetadata(QgsMeshDatasetIndex(group, s)).time()
                              for s in range(STEPS)], [0.0, 1.0, 2.0])


if __name__ == "__main__":
    CONVERT = sys.argv[1]
    application = QgsApplication([], False)
    application.initQgis()
    outcome = unittest.main(argv=sys.argv[:1], verbosity=2, exit=False)
    application.exitQgis()
    sys.exit(0 if outcome.result.wasSuccessful() else 1)
