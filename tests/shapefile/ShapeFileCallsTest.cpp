// What the component accepts and refuses, and how columns are found and keep their values.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

#include "ShapeFileTestSupport.h"
#include "controls/shapefile/ShapeFieldList.h"
#include "controls/shapefile/ShapeFileError.h"
#include "controls/shapefile/ShapeFiles.h"

namespace tesselar {
namespace {

using testing::AllOf;
using testing::HasSubstr;

// The message of the ShapeFileError that `call` throws.
template <typename Call>
std::string ErrorOf(Call call) {
    try {
        call();
    } catch (const ShapeFileError& error) {
        return error.what();
    }
    ADD_FAILURE() << "no ShapeFileError was thrown";
    return {};
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

class ShapeFileCalls : public testing::Test {
protected:
    ShapeFileCalls() : files_(fileSystem_, test::NoonOf(std::chrono::year(2024) / 1 / 2)) {}

    std::string Path(const char* name = "lagoon.shp") const { return folder_ / name; }
    void OpenPolygons() { files_.OpenShapeFile(Path(), 1, kShapeTypePolygon); }
    void AddSquare(int part = 0) {
        files_.VertexList().AddVertex(0, 0, part);
        files_.VertexList().AddVertex(0, 1, part);
        files_.VertexList().AddVertex(1, 1, part);
        files_.VertexList().AddVertex(1, 0, part);
    }
    // The text of every record of the .dbf, without its deletion flag.
    std::vector<std::string> DbfRecords() const {
        const std::string dbf = test::ReadBytes(folder_ / "lagoon.dbf");
        const std::size_t headerBytes = test::UInt16Little(dbf, 8);
        const std::size_t recordBytes = test::UInt16Little(dbf, 10);
        std::vector<std::string> records;
        for (std::uint32_t i = 0; i < test::UInt32Little(dbf, 4); ++i) {
            records.push_back(dbf.substr(headerBytes + i * recordBytes + 1, recordBytes - 1));
        }
        return records;
    }

    test::TempDir folder_;
    PosixFileSystem fileSystem_;
    ShapeFiles files_;
};

// FieldByName takes the full name, case and all, and reaches the first of columns of the same
// name; every column keeps its own value.
TEST_F(ShapeFileCalls, FieldByNameFindsTheFirstColumnOfTheFullName) {
    OpenPolygons();
    ShapeFieldList& fields = files_.FieldList();
    fields.AddField("Temperature at surface", kFieldTypeNumeric, 10, 5);
    fields.AddField("Temperature at bottom", kFieldTypeNumeric, 10, 5);
    fields.AddField("", kFieldTypeNumeric, 10, 5);
    ShapeField& first = fields.AddField("Depth", kFieldTypeNumeric, 10, 5);
    ShapeField& second = fields.AddField("Depth", kFieldTypeNumeric, 10, 5);
    files_.CommitFields();
    for (const double value : {1.0, 2.0}) {
        AddSquare();
        fields.FieldByName("Temperature at bottom").Value(value * 4);
        fields.FieldByName("Temperature at surface").Value(21.5);
        fields.FieldByName("").Value(-1);
        first.Value(value);
        second.Value(value * 100);
        files_.AppendShape();
    }
    AddSquare();
    fields.FieldByName("Depth").Value(7);
    files_.AppendShape();
    EXPECT_THAT(ErrorOf([&] { fields.FieldByName("temperature at bottom"); }),
                AllOf(HasSubstr("'temperature at bottom'"), HasSubstr("lagoon.dbf")));
    files_.Release();
    EXPECT_EQ(DbfRecords(),
              (std::vector<std::string>{"  21.50000   4.00000  -1.00000   1.00000 100.00000",
                                        "  21.50000   8.00000  -1.00000   2.00000 200.00000",
                                        "  21.50000   8.00000  -1.00000   7.00000 200.00000"}));
}

TEST_F(ShapeFileCalls, ColumnNeverSetIsBlankAndShortenedValuesAreCounted) {
    OpenPolygons();
    ShapeField& depth = files_.FieldList().AddField("Depth", kFieldTypeNumeric, 10, 5);
    files_.FieldList().AddField("Salinity", kFieldTypeNumeric, 10, 5);
    files_.CommitFields();
    AddSquare();
    depth.Value(12345.678912);
    files_.AppendShape();
    AddSquare();
    files_.AppendShape();  // the shortened value is written again
    AddSquare();
    depth.Value(1.5);
    files_.AppendShape();
    files_.Release();

    EXPECT_EQ(files_.ShortenedValueCount(), 2);
    EXPECT_EQ(DbfRecords(),
              (std::vector<std::string>{"12345.6789          ", "12345.6789          ",
                                        "   1.50000          "}));
}

TEST_F(ShapeFileCalls, RefusesWhatTheFormatCannotHold) {
    EXPECT_THAT(ErrorOf([&] { files_.OpenShapeFile(Path(), 2, kShapeTypePolygon); }),
                AllOf(HasSubstr("mode 2"), HasSubstr("lagoon.shp")));
    EXPECT_THAT(ErrorOf([&] { files_.OpenShapeFile(Path(), 1, 3); }), HasSubstr("shape type 3"));
    EXPECT_THAT(ErrorOf([&] { files_.OpenShapeFile(Path("lagoon.dbf"), 1, 5); }),
                HasSubstr("lagoon.dbf"));
    EXPECT_THAT(ErrorOf([&] { files_.OpenShapeFile(Path(".shp"), 1, 5); }), HasSubstr(".shp"));
    OpenPolygons();

    ShapeFieldList& fields = files_.FieldList();
    EXPECT_THAT(ErrorOf([&] { fields.AddField("Depth", 7, 10, 5); }),
                AllOf(HasSubstr("'Depth'"), HasSubstr("type code 7")));
    EXPECT_THAT(ErrorOf([&] { fields.AddField("Depth", kFieldTypeNumeric, 0, 0); }),
                HasSubstr("width of 0"));
    EXPECT_THAT(ErrorOf([&] { fields.AddField("Depth", kFieldTypeNumeric, 20, 5); }),
                HasSubstr("width of 20"));
    EXPECT_THAT(ErrorOf([&] { fields.AddField("Depth", kFieldTypeNumeric, 10, 9); }),
                HasSubstr("9 decimals"));
    ShapeField& depth = fields.AddField("Depth", kFieldTypeNumeric, 10, 5);
    EXPECT_THAT(ErrorOf([&] { files_.VertexList(); }), HasSubstr("not committed"));
    files_.CommitFields();
    EXPECT_THAT(ErrorOf([&] { fields.AddField("Late", kFieldTypeNumeric, 10, 5); }),
                HasSubstr("already committed"));

    EXPECT_THAT(ErrorOf([&] { depth.Value(kNaN); }),
                AllOf(HasSubstr("nan"), HasSubstr("'Depth'"), HasSubstr("lagoon.dbf")));
    EXPECT_THAT(ErrorOf([&] { depth.Value(-kInfinity); }), HasSubstr("-inf"));
    EXPECT_THAT(ErrorOf([&] { files_.VertexList().AddVertex(kNaN, 1, 0); }),
                AllOf(HasSubstr("nan"), HasSubstr("lagoon.shp")));
    EXPECT_THAT(ErrorOf([&] { files_.VertexList().AddVertex(1, kInfinity, 0); }), HasSubstr("inf"));

    EXPECT_THAT(ErrorOf([&] { files_.AppendShape(); }),
                AllOf(HasSubstr("shape 1"), HasSubstr("no vertices")));
    // A ring closed by hand with two distinct vertices; then a second ring of two.
    files_.VertexList().AddVertex(0, 0, 0);
    files_.VertexList().AddVertex(0, 1, 0);
    files_.VertexList().AddVertex(0, 0, 0);
    EXPECT_THAT(ErrorOf([&] { files_.AppendShape(); }), HasSubstr("2 distinct vertices"));
    AddSquare(0);
    files_.VertexList().AddVertex(5, 5, 1);
    files_.VertexList().AddVertex(6, 5, 1);
    EXPECT_THAT(ErrorOf([&] { files_.AppendShape(); }),
                AllOf(HasSubstr("shape 1"), HasSubstr("part 1"), HasSubstr("lagoon.shp")));

    // A refused shape leaves nothing behind: the next one starts afresh as shape 1.
    AddSquare();
    depth.Value(3);
    files_.AppendShape();
    AddSquare();
    EXPECT_THAT(ErrorOf([&] { files_.Release(); }), HasSubstr("4 vertices"));
    files_.AppendShape();
    files_.Release();
    EXPECT_EQ(DbfRecords().size(), 2U);
    EXPECT_THAT(ErrorOf([&] { files_.AppendShape(); }), HasSubstr("already complete"));
}

TEST_F(ShapeFileCalls, PointNeedsExactlyOneVertex) {
    files_.OpenShapeFile(Path(), 1, kShapeTypePoint);
    files_.CommitFields();
    files_.VertexList().AddVertex(1, 2, 0);
    files_.VertexList().AddVertex(3, 4, 0);
    EXPECT_THAT(ErrorOf([&] { files_.AppendShape(); }),
                AllOf(HasSubstr("2 vertices"), HasSubstr("exactly 1")));
    EXPECT_THAT(ErrorOf([&] { files_.AppendShape(); }), HasSubstr("0 vertices"));
}

TEST_F(ShapeFileCalls, CompanionFilesFollowTheCaseOfTheExtension) {
    files_.OpenShapeFile(Path("LAGOON.SHP"), 1, kShapeTypePoint);
    files_.CommitFields();
    files_.Release();
    EXPECT_EQ(folder_.FileNames(),
              (std::set<std::string>{"LAGOON.CPG", "LAGOON.DBF", "LAGOON.SHP", "LAGOON.SHX"}));

    ShapeFiles mixed(fileSystem_, test::NoonOf(std::chrono::year(2024) / 1 / 2));
    mixed.OpenShapeFile(Path("bay.Shp"), 1, kShapeTypePoint);
    mixed.CommitFields();
    mixed.Release();
    EXPECT_TRUE(folder_.FileNames().contains("bay.dbf"));
}

}  // namespace
}  // namespace tesselar
