#include <string>

#include "controls/shapefile/ShapeFileError.h"
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
    try {
        CheckShapeFileCapacity(polygons ? kShapeTypePolygon : kShapeTypePoint, shapeCount,
                               polygons ? kClosedCellRingVertices : 1, job.AttribCount,
                               kAttributeFieldWidth);
    } catch (const ShapeFileError& error) {
        // The sizes come from the X axys file: name it, so the user knows where to look.
        const std::string sizes = polygons ? "SIZE_I " + std::to_string(job.IMax + 1) +
                                                 ", SIZE_J " + std::to_string(job.JMax + 1)
                                           : "SIZE_I " + std::to_string(job.IMax + 1);
        throw ShapeFileError("X axys file '" + job.XAxysFile + "' (" + sizes +
                             "): " + error.what());
    }
}

}  // namespace tesselar
