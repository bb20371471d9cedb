#include "writer/ShapeLoop.h"

#include <algorithm>

#include "conversion/ConversionError.h"
#include "spatial/GridHilbertOrder.h"
#include "spatial/HilbertOrder.h"
#include "writer/ShapeProgress.h"

namespace tesselar {

std::vector<std::uint32_t> SpatialShapeOrder(const ConversionJob& job) {
    if (job.ShapeType == ShapeType::Polygon) {
        return GridHilbertOrder(static_cast<std::uint32_t>(job.IMax),
                                static_cast<std::uint32_t>(job.JMax));
    }
    std::vector<Box> points(static_cast<std::size_t>(std::max<int>(job.IMax, 0)));
    Box extent;
    for (std::size_t n = 0; n < points.size(); ++n) {
        points[n] = BoxOf(ShapeOf(job, false, static_cast<int>(n) + 1, 1));
        if (n == 0) {
            extent = points[n];
        } else {
            extent.Include(points[n]);
        }
    }
    return HilbertOrder(points, extent);
}

void WriteShapes(const ConversionJob& job, ShapeSink& sink, WriterServices services,
                 std::span<const std::uint32_t> order) {
    const bool polygons = job.ShapeType == ShapeType::Polygon;
    const std::int16_t iMax = job.IMax;
    const std::int16_t jMax = polygons ? job.JMax : std::int16_t{1};
    ShapeProgress progress(services.display, services.clock, iMax, jMax);
    StopWhenRequested(services.stop, sink.Path());
    std::int32_t shapeNumber = 0;
    const auto visit = [&](int i, int j) {
        ++shapeNumber;
        sink.Add(ShapeOf(job, polygons, i, j));
        progress.Step(shapeNumber);
        StopWhenRequested(services.stop, sink.Path());
    };
    progress.Start();
    if (order.empty()) {
        for (int i = 1; i <= iMax; ++i) {
            for (int j = 1; j <= jMax; ++j) {
                visit(i, j);
            }
        }
    } else {
        const auto perRow = static_cast<std::uint32_t>(jMax);
        for (const std::uint32_t number : order) {
            visit(static_cast<int>(number / perRow) + 1, static_cast<int>(number % perRow) + 1);
        }
    }
    // The output is completed and put in place. A signal arriving meanwhile stops the conversion
    // at the latest when it has the folder's lock, before anything moved; from there on the
    // signals wait until the output is in place, so it is whole.
    sink.Finish();
}

}  // namespace tesselar
