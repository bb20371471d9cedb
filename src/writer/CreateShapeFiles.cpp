#include "writer/CreateShapeFiles.h"

#include <array>

#include "controls/shapefile/ShapeFieldList.h"
#include "controls/shapefile/ShapeFiles.h"
#include "conversion/ConversionError.h"
#include "writer/ShapeProgress.h"
#include "writer/WriterLayout.h"

namespace tesselar {

namespace {

constexpr std::int32_t kNewShapeFileMode = 1;

// The columns in attribute order, slot 0 unused. Each attribute keeps the column AddField gave
// it, so two attributes of the same name still fill a column each.
using AttributeFields = std::array<ShapeField*, kMaxAttributes + 1>;

const std::string& AttributeName(const ConversionJob& job, int k) {
    if (k > kMaxAttributes) {
        throw IndexError("attribute " + std::to_string(k) + " lies outside the " +
                         std::to_string(kMaxAttributes) + " attribute slots");
    }
    return job.AttribNames[static_cast<std::size_t>(k)];
}

// A polygon per cell (i, j), its corners the nodes (i, j), (i+1, j), (i+1, j+1) and (i, j+1);
// j runs fastest.
void WritePolygons(ShapeFiles& shapeFiles, const ConversionJob& job, const AttributeFields& fields,
                   int attribCount, std::int16_t iMax, std::int16_t jMax, ShapeProgress& progress) {
    std::int32_t shapeNumber = 0;
    progress.Start();
    for (int i = 1; i <= iMax; ++i) {
        for (int j = 1; j <= jMax; ++j) {
            ++shapeNumber;
            ShapeVertexList& vertices = shapeFiles.VertexList();
            vertices.AddVertex(job.XCoords.at(i, j), job.YCoords.at(i, j), 0);
            vertices.AddVertex(job.XCoords.at(i + 1, j), job.YCoords.at(i + 1, j), 0);
            vertices.AddVertex(job.XCoords.at(i + 1, j + 1), job.YCoords.at(i + 1, j + 1), 0);
            vertices.AddVertex(job.XCoords.at(i, j + 1), job.YCoords.at(i, j + 1), 0);
            for (int k = 1; k <= attribCount; ++k) {
                fields[static_cast<std::size_t>(k)]->Value(job.AttribValues.at(k, i, j));
            }
            shapeFiles.AppendShape();
            progress.Step(shapeNumber);
        }
    }
}

// A point per particle p, at (p, 1) of the coordinate arrays.
void WritePoints(ShapeFiles& shapeFiles, const ConversionJob& job, const AttributeFields& fields,
                 int attribCount, std::int16_t iMax, ShapeProgress& progress) {
    std::int32_t shapeNumber = 0;
    progress.Start();
    for (int p = 1; p <= iMax; ++p) {
        ++shapeNumber;
        shapeFiles.VertexList().AddVertex(job.XCoords.at(p, 1), job.YCoords.at(p, 1), 0);
        for (int k = 1; k <= attribCount; ++k) {
            fields[static_cast<std::size_t>(k)]->Value(job.AttribValues.at(k, p, 1));
        }
        shapeFiles.AppendShape();
        progress.Step(shapeNumber);
    }
}

}  // namespace

WriteSummary WriteShapeFile(const ConversionJob& job, WriterServices services) {
    return WriteShapeFileAt(ShapeFilePath(job), job, services);
}

WriteSummary WriteShapeFileAt(const std::string& shpPath, const ConversionJob& job,
                              WriterServices services) {
    const bool polygons = job.ShapeType == kPolygonShapeType;
    // Any other type would give an empty file reported as a success.
    if (!polygons && job.ShapeType != kPointShapeType) {
        throw ConversionError("cannot write '" + shpPath + "': the shape type '" + job.ShapeType +
                              "' is neither \"" + kPolygonShapeType + "\" nor \"" +
                              kPointShapeType + "\"");
    }
    const std::int16_t iMax = job.IMax;
    const std::int16_t jMax = polygons ? job.JMax : std::int16_t{1};
    const int attribCount = job.AttribCount;

    ShapeFiles shapeFiles(services.files, services.clock.CalendarNow());
    shapeFiles.OpenShapeFile(shpPath, kNewShapeFileMode,
                             polygons ? kShapeTypePolygon : kShapeTypePoint);
    AttributeFields fields{};
    for (int k = 1; k <= attribCount; ++k) {
        fields[static_cast<std::size_t>(k)] =
            &shapeFiles.FieldList().AddField(AttributeName(job, k), kFieldTypeNumeric,
                                             kAttributeFieldWidth, kAttributeFieldDecimals);
    }
    shapeFiles.CommitFields();

    ShapeProgress progress(services.display, services.clock, iMax, jMax);
    if (polygons) {
        WritePolygons(shapeFiles, job, fields, attribCount, iMax, jMax, progress);
    } else {
        WritePoints(shapeFiles, job, fields, attribCount, iMax, progress);
    }
    shapeFiles.Release();
    return WriteSummary{shapeFiles.ShortenedValueCount(), shapeFiles.ShpPath()};
}

}  // namespace tesselar
