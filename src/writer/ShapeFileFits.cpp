#include "controls/shapefile/ShapeFiles.h"
#include "writer/CreateShapeFiles.h"
#include "writer/WriterLayout.h"

namespace tesselar {

void CheckShapeFileFits(const ConversionJob& job) {
    const bool polygons = job.ShapeType == kPolygonShapeType;
    const std::int64_t shapeCount =
        polygons ? std::int64_t{job.IMax} * job.JMax : std::int64_t{job.IMax};
    if (shapeCount <= 0) {
        return;
    }
    CheckShapeFileCapacity(polygons ? kShapeTypePolygon : kShapeTypePoint, shapeCount,
                           polygons ? kClosedCellRingVertices : 1, job.AttribCount,
                           kAttributeFieldWidth);
}

}  // namespace tesselar
