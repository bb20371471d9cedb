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
    std::string shpPath;  // as the component was asked for it
    std::int32_t shapeType = 0;
    std::string projection;  // the .prj text; empty for none
    std::vector<ModelField> fields;
    std::vector<ModelShape> shapes;
};

using FileMap = std::map<std::string, std::string>;

// Checks the files written on a successful Release: the files of `model.shpPath` (".SHP" with
// upper-case companions, any other case of ".shp" as ".shp" with lower-case ones, a .prj when
// the model has a projection) in place of every file of a shapefile of that name in any case
// that stood there in `before`, every other file as it was, and each file's headers, records
// and values as the model says.
void CheckCompleteFileSet(const FileMap& before, const FileMap& after, const ShapeFileModel& model);

}  // namespace tesselar::fuzz
