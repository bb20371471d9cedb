#include "writer/ShapelibReader.h"

#include <shapefil.h>

#include <stdexcept>

namespace tesselar::test {

ShapefileContents ReadWithShapelib(const std::string& shpPath) {
    ShapefileContents contents;
    SHPHandle shp = SHPOpen(shpPath.c_str(), "rb");
    if (shp == nullptr) {
        throw std::runtime_error("shapelib cannot open " + shpPath);
    }
    int count = 0;
    SHPGetInfo(shp, &count, &contents.shapeType, nullptr, nullptr);
    for (int index = 0; index < count; ++index) {
        SHPObject* object = SHPReadObject(shp, index);
        if (object == nullptr) {
            SHPClose(shp);
            throw std::runtime_error("shapelib cannot read record " + std::to_string(index));
        }
        ShapeRecord record{object->nSHPType, object->nParts, {}};
        for (int v = 0; v < object->nVertices; ++v) {
            record.vertices.emplace_back(object->padfX[v], object->padfY[v]);
        }
        contents.records.push_back(std::move(record));
        SHPDestroyObject(object);
    }
    SHPClose(shp);

    const std::string dbfPath = shpPath.substr(0, shpPath.size() - 4) + ".dbf";
    DBFHandle dbf = DBFOpen(dbfPath.c_str(), "rb");
    if (dbf == nullptr) {
        throw std::runtime_error("shapelib cannot open " + dbfPath);
    }
    const int fieldCount = DBFGetFieldCount(dbf);
    for (int field = 0; field < fieldCount; ++field) {
        char name[XBASE_FLDNAME_LEN_READ + 1] = {};
        int width = 0;
        int decimals = 0;
        DBFGetFieldInfo(dbf, field, name, &width, &decimals);
        contents.fields.push_back({name, DBFGetNativeFieldType(dbf, field), width, decimals});
    }
    for (int record = 0; record < DBFGetRecordCount(dbf); ++record) {
        std::vector<double> row;
        for (int field = 0; field < fieldCount; ++field) {
            row.push_back(DBFReadDoubleAttribute(dbf, record, field));
        }
        contents.values.push_back(std::move(row));
    }
    DBFClose(dbf);
    return contents;
}

}  // namespace tesselar::test
