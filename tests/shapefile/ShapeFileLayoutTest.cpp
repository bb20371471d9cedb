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
using test::ReadBytes;
using test::UInt16Little;
using test::UInt32Little;

using Point = std::pair<double, double>;

struct ShpRecord {
    std::int32_t number = 0;
    std::int32_t contentWords = 0;
    std::int32_t type = 0;
    double box[4] = {};
    std::vector<std::int32_t> parts;
    std::vector<Point> points;
};

Point PointAt(const std::string& bytes, std::size_t offset) {
    return {DoubleLittle(bytes, offset), DoubleLittle(bytes, offset + 8)};
}

std::vector<ShpRecord> ReadRecords(const std::string& shp) {
    std::vector<ShpRecord> records;
    std::size_t offset = 100;
    while (offset < shp.size()) {
        ShpRecord record;
        record.number = Int32Big(shp, offset);
        record.contentWords = Int32Big(shp, offset + 4);
        const std::size_t content = offset + 8;
        record.type = Int32Little(shp, content);
        if (record.type == kShapeTypePoint) {
            record.points.push_back(PointAt(shp, content + 4));
        } else {
            for (std::size_t i = 0; i < 4; ++i) {
                record.box[i] = DoubleLittle(shp, content + 4 + 8 * i);
            }
            const auto partCount = static_cast<std::size_t>(Int32Little(shp, content + 36));
            const auto pointCount = static_cast<std::size_t>(Int32Little(shp, content + 40));
            for (std::size_t i = 0; i < partCount; ++i) {
                record.parts.push_back(Int32Little(shp, content + 44 + 4 * i));
            }
            const std::size_t points = content + 44 + 4 * partCount;
            for (std::size_t i = 0; i < pointCount; ++i) {
                record.points.push_back(PointAt(shp, points + 16 * i));
            }
        }
        records.push_back(record);
        offset = content + 2 * static_cast<std::size_t>(record.contentWords);
    }
    EXPECT_EQ(offset, shp.size()) << "the last record runs past the end of the file";
    return records;
}

// The 100-byte header shared by the main and the index file.
void ExpectMainHeader(const std::string& bytes, std::int32_t type, const double (&box)[4]) {
    ASSERT_GE(bytes.size(), 100U);
    EXPECT_EQ(Int32Big(bytes, 0), 9994);
    for (std::size_t offset = 4; offset < 24; offset += 4) {
        EXPECT_EQ(Int32Big(bytes, offset), 0) << "unused header word at " << offset;
    }
    EXPECT_EQ(Int32Big(bytes, 24), static_cast<std::int32_t>(bytes.size() / 2));
    EXPECT_EQ(Int32Little(bytes, 28), 1000);
    EXPECT_EQ(Int32Little(bytes, 32), type);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(DoubleLittle(bytes, 36 + 8 * i), box[i]) << "bounding box value " << i;
    }
    for (std::size_t offset = 68; offset < 100; offset += 8) {
        EXPECT_EQ(DoubleLittle(bytes, offset), 0.0) << "Z or M range at " << offset;
    }
}

class ShapeFileLayout : public testing::Test {
protected:
    ShapeFiles& Open(std::int32_t shapeType) {
        files_.emplace(fileSystem_, test::NoonOf(std::chrono::year(2024) / 5 / 17));
        files_->OpenShapeFile(folder_ / "lagoon.shp", 1, shapeType);
        return *files_;
    }
    static void AddRing(ShapeFiles& files, const std::vector<Point>& ring, int part = 0) {
        for (const auto& [x, y] : ring) {
            files.VertexList().AddVertex(x, y, part);
        }
    }
    std::string Bytes(const char* extension) const {
        return ReadBytes(folder_ / (std::string("lagoon.") + extension));
    }

    test::TempDir folder_;
    PosixFileSystem fileSystem_;
    std::optional<ShapeFiles> files_;
};

TEST_F(ShapeFileLayout, PolygonRecordsAreClosedClockwiseRings) {
    ShapeFiles& files = Open(kShapeTypePolygon);
    files.CommitFields();
    const Point a{10, 10}, b{12, 10}, c{12, 13}, d{10, 13};
    AddRing(files, {{0, 0}, {0, 1}, {1, 1}, {1, 0}});  // clockwise
    files.AppendShape();
    AddRing(files, {a, b, c, d});  // counter-clockwise
    files.AppendShape();
    AddRing(files, {a, b, c, d, a});  // counter-clockwise, already closed
    files.AppendShape();
    AddRing(files, {{-5, -5}, {-4, -5}, {-4, -4}}, 7);  // two rings: parts 7 then 3
    AddRing(files, {{20, 20}, {20, 21}, {21, 21}}, 3);
    files.AppendShape();
    files.Release();

    const std::string shp = Bytes("shp");
    ExpectMainHeader(shp, kShapeTypePolygon, {-5, -5, 21, 21});
    const std::vector<ShpRecord> records = ReadRecords(shp);
    ASSERT_EQ(records.size(), 4U);
    for (std::size_t i = 0; i < records.size(); ++i) {
        const ShpRecord& record = records[i];
        EXPECT_EQ(record.number, static_cast<std::int32_t>(i + 1));
        EXPECT_EQ(record.type, kShapeTypePolygon);
        EXPECT_EQ(2 * record.contentWords, static_cast<std::int32_t>(44 + 4 * record.parts.size() +
                                                                     16 * record.points.size()));
    }
    EXPECT_EQ(records[0].parts, std::vector<std::int32_t>{0});
    EXPECT_EQ(records[0].points, (std::vector<Point>{{0, 0}, {0, 1}, {1, 1}, {1, 0}, {0, 0}}));
    EXPECT_EQ(std::vector<double>(records[0].box, records[0].box + 4),
              (std::vector<double>{0, 0, 1, 1}));
    // Reversed with its first vertex kept first.
    EXPECT_EQ(records[1].points, (std::vector<Point>{a, d, c, b, a}));
    EXPECT_EQ(std::vector<double>(records[1].box, records[1].box + 4),
              (std::vector<double>{10, 10, 12, 13}));
    EXPECT_EQ(records[2].points, records[1].points);
    EXPECT_EQ(records[3].parts, (std::vector<std::int32_t>{0, 4}));
    EXPECT_EQ(records[3].points,
              (std::vector<Point>{
                  {-5, -5}, {-4, -4}, {-4, -5}, {-5, -5}, {20, 20}, {20, 21}, {21, 21}, {20, 20}}));
    EXPECT_EQ(std::vector<double>(records[3].box, records[3].box + 4),
              (std::vector<double>{-5, -5, 21, 21}));

    // The index: the main file's header with its own length, then offset and content length
    // of every record, in 16-bit words.
    const std::string shx = Bytes("shx");
    EXPECT_EQ(shx.size(), 100U + 8 * records.size());
    ExpectMainHeader(shx, kShapeTypePolygon, {-5, -5, 21, 21});
    EXPECT_EQ(shx.substr(28, 72), shp.substr(28, 72));
    std::int32_t offset = 50;
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(Int32Big(shx, 100 + 8 * i), offset) << "record " << i + 1;
        EXPECT_EQ(Int32Big(shx, 104 + 8 * i), records[i].contentWords) << "record " << i + 1;
        offset += 4 + records[i].contentWords;
    }
}

TEST_F(ShapeFileLayout, RingWithoutAreaStaysAsGivenAndLargeCoordinatesKeepTheirOrientation) {
    ShapeFiles& files = Open(kShapeTypePolygon);
    files.CommitFields();
    AddRing(files, {{0, 0}, {2, 2}, {1, 1}});
    files.AppendShape();
    // A 1 m cell at UTM-like coordinates, counter-clockwise: the area is tiny against the
    // coordinates' products.
    const Point a{512345.25, 4734567.5}, b{512346.25, 4734567.5}, c{512346.25, 4734568.5},
        d{512345.25, 4734568.5};
    AddRing(files, {a, b, c, d});
    files.AppendShape();
    files.Release();
    const std::vector<ShpRecord> records = ReadRecords(Bytes("shp"));
    ASSERT_EQ(records.size(), 2U);
    EXPECT_EQ(records[0].points, (std::vector<Point>{{0, 0}, {2, 2}, {1, 1}, {0, 0}}));
    EXPECT_EQ(records[1].points, (std::vector<Point>{a, d, c, b, a}));
}

TEST_F(ShapeFileLayout, PointRecords) {
    ShapeFiles& files = Open(kShapeTypePoint);
    files.CommitFields();
    for (const auto& [x, y] : std::vector<Point>{{3.5, -2}, {-1, 8.25}, {3.5, -2}}) {
        files.VertexList().AddVertex(x, y, 0);
        files.AppendShape();
    }
    files.Release();

    const std::string shp = Bytes("shp");
    ExpectMainHeader(shp, kShapeTypePoint, {-1, -2, 3.5, 8.25});
    const std::vector<ShpRecord> records = ReadRecords(shp);
    ASSERT_EQ(records.size(), 3U);
    EXPECT_EQ(records[1].number, 2);
    EXPECT_EQ(records[1].contentWords, 10);
    EXPECT_EQ(records[1].points, (std::vector<Point>{{-1, 8.25}}));
    const std::string shx = Bytes("shx");
    EXPECT_EQ(Int32Big(shx, 100 + 8 * 2), 50 + 2 * (4 + 10));
}

TEST_F(ShapeFileLayout, DbaseTableAndCodePage) {
    ShapeFiles& files = Open(kShapeTypePoint);
    files.FieldList().AddField("Temperature", kFieldTypeNumeric, 10, 5);
    files.FieldList().AddField("Depth", kFieldTypeNumeric, 8, 2);
    files.CommitFields();
    files.VertexList().AddVertex(1, 2, 0);
    files.FieldList().FieldByName("Temperature").Value(17.25);
    files.FieldList().FieldByName("Depth").Value(-3.5);
    files.AppendShape();
    files.VertexList().AddVertex(1, 2, 0);
    files.FieldList().FieldByName("Depth").Value(40);
    files.AppendShape();
    files.Release();

    const std::string dbf = Bytes("dbf");
    const std::size_t headerBytes = 32 + 2 * 32 + 1;
    const std::size_t recordBytes = 1 + 10 + 8;
    ASSERT_EQ(dbf.size(), headerBytes + 2 * recordBytes + 1);
    EXPECT_EQ(Byte(dbf, 0), 0x03);
    EXPECT_EQ(Byte(dbf, 1), 2024 - 1900);
    EXPECT_EQ(Byte(dbf, 2), 5);
    EXPECT_EQ(Byte(dbf, 3), 17);
    EXPECT_EQ(UInt32Little(dbf, 4), 2U);
    EXPECT_EQ(UInt16Little(dbf, 8), headerBytes);
    EXPECT_EQ(UInt16Little(dbf, 10), recordBytes);
    EXPECT_EQ(dbf.substr(12, 20), std::string(20, '\0'));

    EXPECT_EQ(dbf.substr(32, 11), std::string("Temperatur") + '\0');
    EXPECT_EQ(dbf.substr(64, 11), std::string("Depth") + std::string(6, '\0'));
    for (const std::size_t descriptor : {32U, 64U}) {
        EXPECT_EQ(dbf[descriptor + 11], 'N');
        EXPECT_EQ(dbf.substr(descriptor + 12, 4), std::string(4, '\0'));
        EXPECT_EQ(dbf.substr(descriptor + 18, 14), std::string(14, '\0'));
    }
    EXPECT_EQ(Byte(dbf, 32 + 16), 10);
    EXPECT_EQ(Byte(dbf, 32 + 17), 5);
    EXPECT_EQ(Byte(dbf, 64 + 16), 8);
    EXPECT_EQ(Byte(dbf, 64 + 17), 2);
    EXPECT_EQ(Byte(dbf, headerBytes - 1), 0x0D);

    // A blank deletion flag, then the values right-aligned; a value not set again is kept.
    EXPECT_EQ(dbf.substr(headerBytes, recordBytes), "   17.25000   -3.50");
    EXPECT_EQ(dbf.substr(headerBytes + recordBytes, recordBytes), "   17.25000   40.00");
    EXPECT_EQ(Byte(dbf, dbf.size() - 1), 0x1A);

    EXPECT_EQ(Bytes("cpg"), "UTF-8");
}

}  // namespace
}  // namespace tesselar
