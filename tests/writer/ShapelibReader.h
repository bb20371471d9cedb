#pragma once

#include <string>
#include <utility>
#include <vector>

namespace tesselar::test {

struct ShapeRecord {
    int shapeType = 0;
    int partCount = 0;
    std::vector<std::pair<double, double>> vertices;
};

struct FieldInfo {
    std::string name;
    char type = 0;
    int width = 0;
    int decimals = 0;
};

// A shape file as shapelib, an independent reader, sees it.
struct ShapefileContents {
    int shapeType = 0;
    std::vector<ShapeRecord> records;
    std::vector<FieldInfo> fields;
    std::vector<std::vector<double>> values;  // [record][field]
};

// Throws std::runtime_error when shapelib cannot open the files.
ShapefileContents ReadWithShapelib(const std::string& shpPath);

}  // namespace tesselar::test
