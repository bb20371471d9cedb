#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "conversion/ConversionJob.h"
#include "spatial/HilbertOrder.h"
#include "writer/CreateShapeFiles.h"
#include "writer/ShapeSink.h"

namespace tesselar {

// The shape of cell (i, j), or of particle i with j 1, as the loop hands it to a sink.
inline LoopShape ShapeOf(const ConversionJob& job, bool polygons, int i, int j) {
    LoopShape shape;
    shape.i = i;
    shape.j = j;
    if (!polygons) {
        shape.corners = 1;
        shape.x[0] = job.XCoords.at(i, 1);
        shape.y[0] = job.YCoords.at(i, 1);
        return shape;
    }
    // Rows i and i + 1, checked once each; the far corner's check also covers column j + 1 of
    // both rows.
    const double* x0 = job.XCoords.Row(i);
    const double* x1 = job.XCoords.Row(i + 1);
    const double* y0 = job.YCoords.Row(i);
    const double* y1 = job.YCoords.Row(i + 1);
    const double xFar = job.XCoords.at(i + 1, j + 1);
    const double yFar = job.YCoords.at(i + 1, j + 1);
    const auto at = static_cast<std::size_t>(j);
    shape.corners = 4;
    shape.x = {x0[at], x1[at], xFar, x0[at + 1]};
    shape.y = {y0[at], y1[at], yFar, y0[at + 1]};
    return shape;
}

// The box around a shape's corners.
inline Box BoxOf(const LoopShape& shape) {
    Box box{shape.x[0], shape.y[0], shape.x[0], shape.y[0]};
    for (std::size_t c = 1; c < static_cast<std::size_t>(shape.corners); ++c) {
        box.Include(Box{shape.x[c], shape.y[c], shape.x[c], shape.y[c]});
    }
    return box;
}

// The count of shapes of the job: its cells, or its particles.
inline std::int64_t ShapeCount(const ConversionJob& job) {
    return job.ShapeType == ShapeType::Polygon ? std::int64_t{job.IMax} * job.JMax
                                               : std::int64_t{job.IMax};
}

// The attribute value of cell (i, j) in slot k, or nothing when it is the no-data value.
inline bool ValueOf(const ConversionJob& job, const WriterOptions& options, int k, int i, int j,
                    double& value) {
    value = job.AttribValues.at(k, i, j);
    return value != options.noData;
}

// The shapes of the job in an order that keeps shapes near each other in space together, as a
// spatial index wants them, by their numbers from 0 in grid order (j fastest): a grid's cells
// along a Hilbert curve over their (i, j), particles by the Hilbert values of their points.
std::vector<std::uint32_t> SpatialShapeOrder(const ConversionJob& job);

// Hands every shape of the job to `sink` in grid order, or in `order` (every shape's number
// once, as SpatialShapeOrder gives them) when one is given, showing progress and stopping when
// a signal asks to (Interrupted, naming the sink's path), then finishes the sink.
void WriteShapes(const ConversionJob& job, ShapeSink& sink, WriterServices services,
                 std::span<const std::uint32_t> order = {});

}  // namespace tesselar
