#include <cstdint>
#include <string>

#include "controls/shapefile/FormatSizes.h"
#include "controls/shapefile/ShapeFileError.h"
#include "controls/shapefile/ShapeFiles.h"

namespace tesselar {

namespace {

constexpr auto Bytes(std::size_t bytes) {
    return static_cast<std::int64_t>(bytes);
}

// A point, or a polygon of one ring.
std::int64_t ShapeRecordBytes(std::int32_t shapeType, int verticesPerShape) {
    if (shapeType == kShapeTypePoint) {
        return Bytes(kRecordHeaderBytes + kPointContentBytes);
    }
    return Bytes(kRecordHeaderBytes + kPolygonFixedContentBytes + kPartIndexBytes) +
           Bytes(kPointBytes) * verticesPerShape;
}

void Refuse(const char* file, std::int64_t shapeCount, std::int64_t bytes) {
    throw ShapeFileError("the shape file would hold " + std::to_string(shapeCount) +
                         " shapes: its " + file + " file would be " + std::to_string(bytes) +
                         " bytes, more than the " + std::to_string(kMaxShapeFileBytes) +
                         " bytes the shapefile format allows");
}

}  // namespace

void CheckShapeFileCapacity(std::int32_t shapeType, std::int64_t shapeCount, int verticesPerShape,
                            int fieldCount, std::int64_t fieldBytes) {
    const std::int64_t shpBytes =
        Bytes(kMainHeaderBytes) + shapeCount * ShapeRecordBytes(shapeType, verticesPerShape);
    if (shpBytes > kMaxShapeFileBytes) {
        Refuse(".shp", shapeCount, shpBytes);
    }
    const std::int64_t shxBytes = Bytes(kMainHeaderBytes) + shapeCount * Bytes(kIndexRecordBytes);
    if (shxBytes > kMaxShapeFileBytes) {
        Refuse(".shx", shapeCount, shxBytes);
    }
    const std::int64_t recordBytes = 1 + fieldBytes;
    const std::int64_t dbfBytes = Bytes(kDbfHeaderBytes) + Bytes(kDbfDescriptorBytes) * fieldCount +
                                  1 + shapeCount * recordBytes + 1;
    if (dbfBytes > kMaxShapeFileBytes) {
        Refuse(".dbf", shapeCount, dbfBytes);
    }
}

}  // namespace tesselar
