#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "conversion/ConversionJob.h"

namespace tesselar::test {

using NodeValue = std::function<double(int i, int j)>;
using CellValue = std::function<double(int k, int i, int j)>;

// Fills `job` as the reader leaves it. Polygons: iMax x jMax cells, node (i, j) at
// (x(i, j), y(i, j)), attribute k of cell (i, j) equal to value(k, i, j). Points: iMax points
// and jMax 1, point p at (x(p, 1), y(p, 1)) with attribute k equal to value(k, p, 1).
inline void FillJob(ConversionJob& job, ShapeType shapeType, std::int16_t iMax, std::int16_t jMax,
                    const std::vector<std::string>& names, const NodeValue& x, const NodeValue& y,
                    const CellValue& value) {
    const int nodes = shapeType == ShapeType::Polygon ? 1 : 0;  // nodes beyond the cells
    job.ShapeType = shapeType;
    for (const std::string& name : names) {
        AppendAttribute(job, name, name + ".dat");
    }
    job.IMax = iMax;
    job.JMax = jMax;
    job.XCoords = Array2D(iMax + nodes, jMax + nodes, "XCoords");
    job.YCoords = Array2D(iMax + nodes, jMax + nodes, "YCoords");
    job.AttribValues = Array3D(job.AttribCount, iMax, jMax, "AttribValues");
    for (int i = 1; i <= iMax + nodes; ++i) {
        for (int j = 1; j <= jMax + nodes; ++j) {
            job.XCoords.at(i, j) = x(i, j);
            job.YCoords.at(i, j) = y(i, j);
        }
    }
    for (int k = 1; k <= job.AttribCount; ++k) {
        for (int i = 1; i <= iMax; ++i) {
            for (int j = 1; j <= jMax; ++j) {
                job.AttribValues.at(k, i, j) = value(k, i, j);
            }
        }
    }
}

}  // namespace tesselar::test
