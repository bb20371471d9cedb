#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tesselar::fuzz {

// What the fuzzer told the shape file component, counting only the calls it accepted: what a
// complete file set must hold.
struct ModelVertex {
    double x;
    double y;
    int part;
};

struct ModelField {
    std::string name;
    int width;
    int decimals;
    std::optional<double> value;  // the last value set, kept for the following shapes
};

struct ModelShape {
    std::vector<ModelVertex> vertices;
    std::vector<std::optional<double>> values;  // one per field
};

struct ShapeFileModel {
    std::string shpPath;
    std::int32_t shapeType = 0;
    std::vector<ModelField> fields;
    std::vector<ModelShape> shapes;
};

using FileMap = std::map<std::string, std::string>;

// Checks the files written on a successful Release: the four files of `model.shpPath` in place
// of whatever stood there in `before`, every other file as it was, and each file's headers,
// records and values as the model says.
void CheckCompleteFileSet(const FileMap& before, const FileMap& after, const ShapeFileModel& model);

}  // namespace tesselar::fuzz
