// What the independent readers do not tell: the rings as written, vertex by vertex, and the
// bytes of the dBASE table's date and records.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "ShapeFileTestSupport.h"
#include "controls/shapefile/ShapeFieldList.h"
#include "controls/shapefile/ShapeFiles.h"

namespace tesselar {
namespace {

using Point = std::pair<double, double>;
using Points = std::vector<Point>;

class ShapeFileLayout : public testing::Test {
protected:
    ShapeFileLayout() : files_(fileSystem_, test::NoonOf(std::chrono::year(2024) / 5 / 17)) {}
    std::string Bytes(const char* extension) const {
        return test::ReadBytes(folder_ / (std::string("lagoon.") + extension));
    }

    test::TempDir folder_;
    PosixFileSystem fileSystem_;
    ShapeFiles files_;
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
    } shapes[] = {
        {{{{0, 0}, {0, 1}, {1, 1}, {1, 0}}}, {{0, 0}, {0, 1}, {1, 1}, {1, 0}, {0, 0}}, {0}},
        {{{a, b, c, d}}, {a, d, c, b, a}, {0}},
        {{{a, b, c, d, a}}, {a, d, c, b, a}, {0}},
        {{{e, f, g, h}}, {e, h, g, f, e}, {0}},
        {{{{0, 0}, {2, 2}, {1, 1}}}, {{0, 0}, {2, 2}, {1, 1}, {0, 0}}, {0}},
        {{{{-5, -5}, {-4, -5}, {-4, -4}}, {{20, 20}, {20, 21}, {21, 21}}},
         {{-5, -5}, {-4, -4}, {-4, -5}, {-5, -5}, {20, 20}, {20, 21}, {21, 21}, {20, 20}},
         {0, 4}},
    };
    files_.OpenShapeFile(folder_ / "lagoon.shp", 1, kShapeTypePolygon);
    files_.CommitFields();
    for (const auto& shape : shapes) {
        int part = 7;
        for (const Points& ring : shape.rings) {
            for (const auto& [x, y] : ring) {
                files_.VertexList().AddVertex(x, y, part);
            }
            part -= 4;
        }
        files_.AppendShape();
    }
    files_.Release();

    const std::string shp = Bytes("shp");
    std::size_t offset = 100;
    for (const auto& shape : shapes) {
        // Record header, shape type and box skipped: the readers check them.
        const std::size_t content = offset + 8;
        const auto partCount =
            static_cast<std::size_t>(test::Little<std::int32_t>(shp, content + 36));
        const auto pointCount =
            static_cast<std::size_t>(test::Little<std::int32_t>(shp, content + 40));
        std::vector<std::int32_t> parts;
        for (std::size_t i = 0; i < partCount; ++i) {
            parts.push_back(test::Little<std::int32_t>(shp, content + 44 + 4 * i));
        }
        Points points;
        for (std::size_t i = 0; i < pointCount; ++i) {
            const std::size_t at = content + 44 + 4 * partCount + 16 * i;
            points.emplace_back(test::Little<double>(shp, at), test::Little<double>(shp, at + 8));
        }
        EXPECT_EQ(parts, shape.parts);
        EXPECT_EQ(points, shape.written);
        offset = content + 44 + 4 * partCount + 16 * pointCount;
    }
    EXPECT_EQ(offset, shp.size());
}

// The date of the day in the header; values right-aligned after a blank deletion flag; the
// end-of-file byte.
TEST_F(ShapeFileLayout, DbaseDateAndRecords) {
    files_.OpenShapeFile(folder_ / "lagoon.shp", 1, kShapeTypePoint);
    ShapeField& temperature = files_.FieldList().AddField("Temperature", kFieldTypeNumeric, 10, 5);
    ShapeField& depth = files_.FieldList().AddField("Depth", kFieldTypeNumeric, 8, 2);
    files_.CommitFields();
    for (const double value : {-3.5, 40.0}) {
        files_.VertexList().AddVertex(3.5, -2, 0);
        temperature.Value(17.25);
        depth.Value(value);
        files_.AppendShape();
    }
    files_.Release();
    const std::string dbf = Bytes("dbf");
    EXPECT_EQ(dbf.substr(0, 4), "\x03\x7C\x05\x11");  // 2024-05-17
    EXPECT_EQ(dbf.substr(32 + 2 * 32 + 1), "   17.25000   -3.50   17.25000   40.00\x1A");
}

}  // namespace
}  // namespace tesselar
