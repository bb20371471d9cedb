#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "conversion/ConversionJob.h"

namespace tesselar::test {

using NodeValue = std::function<double(int i, int j)>;
using CellValue = std::function<double(int k, int i, int j)>;

// Fills `job` as the reader leaves a polygon conversion of iMax x jMax cells: node (i, j) at
// (x(i, j), y(i, j)), attribute k of cell (i, j) equal to value(k, i, j).
inline void FillPolygonJob(ConversionJob& job, std::int16_t iMax, std::int16_t jMax,
                           const std::vector<std::string>& names, const NodeValue& x,
                           const NodeValue& y, const CellValue& value) {
    job.ShapeType = kPolygonShapeType;
    for (const std::string& name : names) {
        AppendAttribute(job, name, name + ".dat");
    }
    job.IMax = iMax;
    job.JMax = jMax;
    job.XCoords = Array2D(iMax + 1, jMax + 1, "XCoords");
    job.YCoords = Array2D(iMax + 1, jMax + 1, "YCoords");
    job.AttribValues = Array3D(job.AttribCount, iMax, jMax, "AttribValues");
    for (int i = 1; i <= iMax + 1; ++i) {
        for (int j = 1; j <= jMax + 1; ++j) {
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

// Fills `job` as the reader leaves a point conversion of `count` points: point p at
// (x(p, 1), y(p, 1)), attribute k equal to value(k, p, 1).
inline void FillPointJob(ConversionJob& job, std::int16_t count,
                         const std::vector<std::string>& names, const NodeValue& x,
                         const NodeValue& y, const CellValue& value) {
    job.ShapeType = kPointShapeType;
    for (const std::string& name : names) {
        AppendAttribute(job, name, name + ".dat");
    }
    job.IMax = count;
    job.JMax = 1;
    job.XCoords = Array2D(count, 1, "XCoords");
    job.YCoords = Array2D(count, 1, "YCoords");
    job.AttribValues = Array3D(job.AttribCount, count, 1, "AttribValues");
    for (int p = 1; p <= count; ++p) {
        job.XCoords.at(p, 1) = x(p, 1);
        job.YCoords.at(p, 1) = y(p, 1);
        for (int k = 1; k <= job.AttribCount; ++k) {
            job.AttribValues.at(k, p, 1) = value(k, p, 1);
        }
    }
}

}  // namespace tesselar::test
