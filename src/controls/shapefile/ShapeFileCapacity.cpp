#include <cstdint>
#include <string>

#include "controls/shapefile/ShapeFileError.h"
#include "controls/shapefile/ShapeFiles.h"

namespace tesselar {

namespace {

constexpr std::int64_t kFileHeaderBytes = 100;
constexpr std::int64_t kRecordHeaderBytes = 8;
constexpr std::int64_t kIndexRecordBytes = 8;
constexpr std::int64_t kDbfHeaderBytes = 32;
constexpr std::int64_t kDbfFieldDescriptorBytes = 32;

std::int64_t ShapeRecordBytes(std::int32_t shapeType, int verticesPerShape) {
    if (shapeType == kShapeTypePoint) {
        return kRecordHeaderBytes + 4 + 16;  // type, x, y
    }
    // type, bounding box, part and point counts, one part index, the points
    return kRecordHeaderBytes + 4 + 32 + 4 + 4 + 4 + 16 * std::int64_t{verticesPerShape};
}

void Refuse(const char* file, std::int64_t shapeCount, std::int64_t bytes) {
    throw ShapeFileError("the shape file would hold " + std::to_string(shapeCount) +
                         " shapes: its " + file + " file would be " + std::to_string(bytes) +
                         " bytes, more than the " + std::to_string(kMaxShapeFileBytes) +
                         " bytes the shapefile format allows");
}

}  // namespace

void CheckShapeFileCapacity(std::int32_t shapeType, std::int64_t shapeCount,
                            int verticesPerShape, int fieldCount, int fieldWidth) {
    const std::int64_t shpBytes =
        kFileHeaderBytes + shapeCount * ShapeRecordBytes(shapeType, verticesPerShape);
    if (shpBytes > kMaxShapeFileBytes) {
        Refuse(".shp", shapeCount, shpBytes);
    }
    const std::int64_t shxBytes = kFileHeaderBytes + shapeCount * kIndexRecordBytes;
    if (shxBytes > kMaxShapeFileBytes) {
        Refuse(".shx", shapeCount, shxBytes);
    }
    const std::int64_t recordBytes = 1 + std::int64_t{fieldCount} * fieldWidth;
    const std::int64_t dbfBytes = kDbfHeaderBytes + kDbfFieldDescriptorBytes * fieldCount + 1 +
                                  shapeCount * recordBytes + 1;
    if (dbfBytes > kMaxShapeFileBytes) {
        Refuse(".dbf", shapeCount, dbfBytes);
    }
}

}  // namespace tesselar
