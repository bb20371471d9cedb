#pragma once

#include <shapefil.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace tesselar::test {

struct ShapeRecord {
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

// Throws std::runtime_error when shapelib cannot open the files or read a record.
inline ShapefileContents ReadWithShapelib(const std::string& shpPath) {
    ShapefileContents contents;
    const std::string dbfPath = shpPath.substr(0, shpPath.size() - 4) + ".dbf";
    SHPHandle shp = SHPOpen(shpPath.c_str(), "rb");
    DBFHandle dbf = DBFOpen(dbfPath.c_str(), "rb");
    int count = 0;
    if (shp != nullptr) {
        SHPGetInfo(shp, &count, &contents.shapeType, nullptr, nullptr);
    }
    for (int index = 0; index < count; ++index) {
        SHPObject* object = SHPReadObject(shp, index);
        if (object == nullptr) {
            break;
        }
        contents.records.push_back({object->nParts, {}});
        for (int v = 0; v < object->nVertices; ++v) {
            contents.records.back().vertices.emplace_back(object->padfX[v], object->padfY[v]);
        }
        SHPDestroyObject(object);
    }
    for (int field = 0; dbf != nullptr && field < DBFGetFieldCount(dbf); ++field) {
        char name[XBASE_FLDNAME_LEN_READ + 1] = {};
        int width = 0;
        int decimals = 0;
        DBFGetFieldInfo(dbf, field, name, &width, &decimals);
        contents.fields.push_back({name, DBFGetNativeFieldType(dbf, field), width, decimals});
    }
    for (int record = 0; dbf != nullptr && record < DBFGetRecordCount(dbf); ++record) {
        contents.values.emplace_back();
        for (std::size_t field = 0; field < contents.fields.size(); ++field) {
            contents.values.back().push_back(
                DBFReadDoubleAttribute(dbf, record, static_cast<int>(field)));
        }
    }
    const bool complete = shp != nullptr && dbf != nullptr && std::ssize(contents.records) == count;
    if (shp != nullptr) {
        SHPClose(shp);
    }
    if (dbf != nullptr) {
        DBFClose(dbf);
    }
    if (!complete) {
        throw std::runtime_error("shapelib cannot read " + shpPath + " or its .dbf");
    }
    return contents;
}

}  // namespace tesselar::test
