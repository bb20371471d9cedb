#pragma once

#include <shapefil.h>

#include <memory>
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
    const std::string dbfPath = shpPath.substr(0, shpPath.size() - 4) + ".dbf";
    const std::unique_ptr<SHPInfo, void (*)(SHPHandle)> shp(SHPOpen(shpPath.c_str(), "rb"),
                                                            SHPClose);
    const std::unique_ptr<DBFInfo, void (*)(DBFHandle)> dbf(DBFOpen(dbfPath.c_str(), "rb"),
                                                            DBFClose);
    if (!shp || !dbf) {
        throw std::runtime_error("shapelib cannot open " + shpPath + " or " + dbfPath);
    }
    ShapefileContents contents;
    int count = 0;
    SHPGetInfo(shp.get(), &count, &contents.shapeType, nullptr, nullptr);
    for (int index = 0; index < count; ++index) {
        const std::unique_ptr<SHPObject, void (*)(SHPObject*)> object(
            SHPReadObject(shp.get(), index), SHPDestroyObject);
        if (!object) {
            throw std::runtime_error("shapelib cannot read record " + std::to_string(index));
        }
        contents.records.push_back({object->nParts, {}});
        for (int v = 0; v < object->nVertices; ++v) {
            contents.records.back().vertices.emplace_back(object->padfX[v], object->padfY[v]);
        }
    }
    for (int field = 0; field < DBFGetFieldCount(dbf.get()); ++field) {
        char name[XBASE_FLDNAME_LEN_READ + 1] = {};
        int width = 0;
        int decimals = 0;
        DBFGetFieldInfo(dbf.get(), field, name, &width, &decimals);
        contents.fields.push_back({name, DBFGetNativeFieldType(dbf.get(), field), width, decimals});
    }
    for (int record = 0; record < DBFGetRecordCount(dbf.get()); ++record) {
        contents.values.emplace_back();
        for (int field = 0; field < DBFGetFieldCount(dbf.get()); ++field) {
            contents.values.back().push_back(DBFReadDoubleAttribute(dbf.get(), record, field));
        }
    }
    return contents;
}

}  // namespace tesselar::test
