// The bytes of the written files, read back against the published layouts of the ESRI
// shapefile (main and index file) and of the dBASE III table.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "ShapeFileTestSupport.h"
#include "controls/shapefile/ShapeFieldList.h"
#include "controls/shapefile/ShapeFiles.h"

namespace tesselar {
namespace {

using test::Byte;
using test::DoubleLittle;
using test::Int32Big;
using test::Int32Little;
using test::UInt16Little;

using Point = std::pair<double, double>;
using Points = std::vector<Point>;

struct ShpRecord {
    std::int32_t contentWords = 0;
    std::vector<double> box;
    std::vector<std::int32_t> parts;
    Points points;
};

Point PointAt(const std::string& bytes, std::size_t offset) {
    return {DoubleLittle(bytes, offset), DoubleLittle(bytes, offset + 8)};
}

// The records of a main file, each checked for its number and type.
std::vector<ShpRecord> ReadRecords(const std::string& shp, std::int32_t type) {
    std::vector<ShpRecord> records;
    for (std::size_t offset = 100; offset < shp.size();) {
        ShpRecord record;
        EXPECT_EQ(Int32Big(shp, offset), static_cast<std::int32_t>(records.size() + 1));
        record.contentWords = Int32Big(shp, offset + 4);
        const std::size_t content = offset + 8;
        EXPECT_EQ(Int32Little(shp, content), type);
        if (type == kShapeTypePoint) {
            record.points.push_back(PointAt(shp, content + 4));
        } else {
            for (std::size_t i = 0; i < 4; ++i) {
                record.box.push_back(DoubleLittle(shp, content + 4 + 8 * i));
            }
            const auto partCount = static_cast<std::size_t>(Int32Little(shp, content + 36));
            const auto pointCount = static_cast<std::size_t>(Int32Little(shp, content + 40));
            for (std::size_t i = 0; i < partCount; ++i) {
                record.parts.push_back(Int32Little(shp, content + 44 + 4 * i));
            }
            for (std::size_t i = 0; i < pointCount; ++i) {
                record.points.push_back(PointAt(shp, content + 44 + 4 * partCount + 16 * i));
            }
            EXPECT_EQ(2 * record.contentWords,
                      static_cast<std::int32_t>(44 + 4 * partCount + 16 * pointCount));
        }
        records.push_back(record);
        offset = content + 2 * static_cast<std::size_t>(record.contentWords);
        EXPECT_LE(offset, shp.size()) << "the last record runs past the end of the file";
    }
    return records;
}

// The 100-byte header shared by the main and the index file, and the index's offset and
// content length of every record, in 16-bit words.
void ExpectHeadersAndIndex(const std::string& shp, const std::string& shx, std::int32_t type,
                           const std::vector<double>& box, const std::vector<ShpRecord>& records) {
    for (const std::string* bytes : {&shp, &shx}) {
        ASSERT_GE(bytes->size(), 100U);
        EXPECT_EQ(Int32Big(*bytes, 0), 9994);
        EXPECT_EQ(bytes->substr(4, 20), std::string(20, '\0'));
        EXPECT_EQ(Int32Big(*bytes, 24), static_cast<std::int32_t>(bytes->size() / 2));
        EXPECT_EQ(Int32Little(*bytes, 28), 1000);
        EXPECT_EQ(Int32Little(*bytes, 32), type);
        for (std::size_t i = 0; i < 4; ++i) {
            EXPECT_EQ(DoubleLittle(*bytes, 36 + 8 * i), box[i]) << "bounding box value " << i;
        }
        EXPECT_EQ(bytes->substr(68, 32), std::string(32, '\0')) << "Z and M ranges";
    }
    EXPECT_EQ(shx.size(), 100U + 8 * records.size());
    std::int32_t offset = 50;
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(Int32Big(shx, 100 + 8 * i), offset) << "record " << i + 1;
        EXPECT_EQ(Int32Big(shx, 104 + 8 * i), records[i].contentWords) << "record " << i + 1;
        offset += 4 + records[i].contentWords;
    }
}

class ShapeFileLayout : public testing::Test {
protected:
    ShapeFiles& Open(std::int32_t shapeType) {
        files_.emplace(fileSystem_, test::NoonOf(std::chrono::year(2024) / 5 / 17));
        files_->OpenShapeFile(folder_ / "lagoon.shp", 1, shapeType);
        return *files_;
    }
    std::string Bytes(const char* extension) const {
        return test::ReadBytes(folder_ / (std::string("lagoon.") + extension));
    }

    test::TempDir folder_;
    PosixFileSystem fileSystem_;
    std::optional<ShapeFiles> files_;
};

// Rings are closed and clockwise: a counter-clockwise one is reversed with its first vertex
// kept first, also at coordinates whose products dwarf the area; a ring without area stays.
TEST_F(ShapeFileLayout, PolygonRecordsAreClosedClockwiseRings) {
    const Point a{10, 10}, b{12, 10}, c{12, 13}, d{10, 13};
    const Point e{512345.25, 4734567.5}, f{512346.25, 4734567.5}, g{512346.25, 4734568.5},
        h{512345.25, 4734568.5};
    const struct {
        std::vector<Points> rings;  // parts 7, 3, ...
        Points written;
        std::vector<std::int32_t> parts;
        std::vector<double> box;
    } shapes[] = {
        {{{{0, 0}, {0, 1}, {1, 1}, {1, 0}}},
         {{0, 0}, {0, 1}, {1, 1}, {1, 0}, {0, 0}},
         {0},
         {0, 0, 1, 1}},
        {{{a, b, c, d}}, {a, d, c, b, a}, {0}, {10, 10, 12, 13}},
        {{{a, b, c, d, a}}, {a, d, c, b, a}, {0}, {10, 10, 12, 13}},
        {{{e, f, g, h}}, {e, h, g, f, e}, {0}, {e.first, e.second, g.first, g.second}},
        {{{{0, 0}, {2, 2}, {1, 1}}}, {{0, 0}, {2, 2}, {1, 1}, {0, 0}}, {0}, {0, 0, 2, 2}},
        {{{{-5, -5}, {-4, -5}, {-4, -4}}, {{20, 20}, {20, 21}, {21, 21}}},
         {{-5, -5}, {-4, -4}, {-4, -5}, {-5, -5}, {20, 20}, {20, 21}, {21, 21}, {20, 20}},
         {0, 4},
         {-5, -5, 21, 21}},
    };
    ShapeFiles& files = Open(kShapeTypePolygon);
    files.CommitFields();
    for (const auto& shape : shapes) {
        int part = 7;
        for (const Points& ring : shape.rings) {
            for (const auto& [x, y] : ring) {
                files.VertexList().AddVertex(x, y, part);
            }
            part -= 4;
        }
        files.AppendShape();
    }
    files.Release();

    const std::vector<ShpRecord> records = ReadRecords(Bytes("shp"), kShapeTypePolygon);
    ASSERT_EQ(records.size(), std::size(shapes));
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].points, shapes[i].written) << "shape " << i + 1;
        EXPECT_EQ(records[i].parts, shapes[i].parts) << "shape " << i + 1;
        EXPECT_EQ(records[i].box, shapes[i].box) << "shape " << i + 1;
    }
    ExpectHeadersAndIndex(Bytes("shp"), Bytes("shx"), kShapeTypePolygon,
                          {-5, -5, g.first, g.second}, records);
}

// Point records; a table with a blank deletion flag and the values right-aligned, a value not
// set again kept; the code page file.
TEST_F(ShapeFileLayout, PointRecordsDbaseTableAndCodePage) {
    ShapeFiles& files = Open(kShapeTypePoint);
    files.FieldList().AddField("Temperature", kFieldTypeNumeric, 10, 5);
    files.FieldList().AddField("Depth", kFieldTypeNumeric, 8, 2);
    files.CommitFields();
    files.VertexList().AddVertex(3.5, -2, 0);
    files.FieldList().FieldByName("Temperature").Value(17.25);
    files.FieldList().FieldByName("Depth").Value(-3.5);
    files.AppendShape();
    files.VertexList().AddVertex(-1, 8.25, 0);
    files.FieldList().FieldByName("Depth").Value(40);
    files.AppendShape();
    files.Release();

    const std::vector<ShpRecord> records = ReadRecords(Bytes("shp"), kShapeTypePoint);
    ASSERT_EQ(records.size(), 2U);
    EXPECT_EQ(records[1].contentWords, 10);
    EXPECT_EQ(records[1].points, (Points{{-1, 8.25}}));
    ExpectHeadersAndIndex(Bytes("shp"), Bytes("shx"), kShapeTypePoint, {-1, -2, 3.5, 8.25},
                          records);

    const std::string dbf = Bytes("dbf");
    const std::size_t headerBytes = 32 + 2 * 32 + 1;
    const std::size_t recordBytes = 1 + 10 + 8;
    ASSERT_EQ(dbf.size(), headerBytes + 2 * recordBytes + 1);
    EXPECT_EQ(dbf.substr(0, 8), std::string("\x03\x7C\x05\x11\x02\0\0\0", 8));  // 2024-05-17
    EXPECT_EQ(UInt16Little(dbf, 8), headerBytes);
    EXPECT_EQ(UInt16Little(dbf, 10), recordBytes);
    EXPECT_EQ(dbf.substr(12, 20), std::string(20, '\0'));
    const std::string descriptorTail(14, '\0');
    EXPECT_EQ(dbf.substr(32, 32),
              std::string("Temperatur\0N\0\0\0\0\x0A\x05", 18) + descriptorTail);
    EXPECT_EQ(dbf.substr(64, 32),
              std::string("Depth\0\0\0\0\0\0N\0\0\0\0\x08\x02", 18) + descriptorTail);
    EXPECT_EQ(Byte(dbf, headerBytes - 1), 0x0D);
    EXPECT_EQ(dbf.substr(headerBytes), "   17.25000   -3.50   17.25000   40.00\x1A");
    EXPECT_EQ(Bytes("cpg"), "UTF-8");
}

}  // namespace
}  // namespace tesselar
