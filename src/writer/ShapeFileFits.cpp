#include <string>

#include "controls/shapefile/ShapeFileError.h"
#include "controls/shapefile/ShapeFiles.h"
#include "conversion/FileLabels.h"
#include "writer/CreateShapeFiles.h"
#include "writer/WriterLayout.h"

namespace tesselar {

void CheckShapeFileFits(const ConversionJob& job, const WriterOptions& options) {
    const int indexColumns = CellIndexColumns(options, job.ShapeType == ShapeType::Polygon);
    // Fitted widths are known only once the values are read: the widest they can be counts.
    const int attributeWidth = options.fitColumns ? kMaxFittedWidth : kAttributeFieldWidth;
    CheckShapeFileFits(job, StepColumns(options) + indexColumns + job.AttribCount,
                       StepColumnsBytes(options) +
                           std::int64_t{indexColumns} * kCellIndexFieldWidth +
                           std::int64_t{job.AttribCount} * attributeWidth);
}

void CheckShapeFileFits(const ConversionJob& job, int fieldCount, std::int64_t fieldBytes) {
    const bool polygons = job.ShapeType == ShapeType::Polygon;
    const std::int64_t shapeCount =
        polygons ? std::int64_t{job.IMax} * job.JMax : std::int64_t{job.IMax};
    if (shapeCount <= 0) {
        return;
    }
    try {
        CheckShapeFileCapacity(polygons ? kShapeTypePolygon : kShapeTypePoint, shapeCount,
                               polygons ? kClosedCellRingVertices : 1, fieldCount, fieldBytes);
    } catch (const ShapeFileError& error) {
        // The sizes come from the X axys file: name it, so the user knows where to look.
        const std::string sizes = polygons ? "SIZE_I " + std::to_string(job.IMax + 1) +
                                                 ", SIZE_J " + std::to_string(job.JMax + 1)
                                           : "SIZE_I " + std::to_string(job.IMax + 1);
        throw ShapeFileError(XAxysFileLabel(job.XAxysFile) + " (" + sizes + "): " + error.what());
    }
}

}  // namespace tesselar
