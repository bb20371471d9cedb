// What the component accepts and refuses.
#include <gtest/gtest.h>

#include <functional>
#include <limits>

#include "ShapeFileTestSupport.h"
#include "controls/shapefile/ShapeFieldList.h"
#include "controls/shapefile/ShapeFileError.h"
#include "controls/shapefile/ShapeFiles.h"

namespace tesselar {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// `call` throws a ShapeFileError whose message holds every one of `parts`.
void ExpectRefused(const std::function<void()>& call, std::initializer_list<const char*> parts) {
    try {
        call();
        ADD_FAILURE() << "no ShapeFileError was thrown; expected " << *parts.begin();
    } catch (const ShapeFileError& error) {
        for (const char* part : parts) {
            EXPECT_NE(std::string(error.what()).find(part), std::string::npos)
                << "'" << part << "' not in: " << error.what();
        }
    }
}

class ShapeFileCalls : public testing::Test {
protected:
    ShapeFileCalls() : files_(fileSystem_, test::NoonOf(std::chrono::year(2024) / 1 / 2)) {}

    std::string Path(const char* name = "lagoon.shp") const { return folder_ / name; }
    void AddSquare(int part = 0) {
        for (const auto& [x, y] : {std::pair{0, 0}, {0, 1}, {1, 1}, {1, 0}}) {
            files_.VertexList().AddVertex(x, y, part);
        }
    }
    test::TempDir folder_;
    PosixFileSystem fileSystem_;
    ShapeFiles files_;
};

TEST_F(ShapeFileCalls, RefusesWhatTheFormatCannotHold) {
    ExpectRefused([&] { files_.OpenShapeFile(Path(), 2, kShapeTypePolygon); },
                  {"mode 2", "lagoon.shp"});
    ExpectRefused([&] { files_.OpenShapeFile(Path(), 1, 3); }, {"shape type 3"});
    ExpectRefused([&] { files_.OpenShapeFile(Path("lagoon.dbf"), 1, 5); }, {"lagoon.dbf"});
    ExpectRefused([&] { files_.OpenShapeFile(Path(".shp"), 1, 5); }, {".shp"});
    files_.OpenShapeFile(Path(), 1, kShapeTypePolygon);
    ShapeFieldList& fields = files_.FieldList();
    ExpectRefused([&] { fields.AddField("Depth", 7, 10, 5); }, {"'Depth'", "type code 7"});
    ExpectRefused([&] { fields.AddField("Depth", kFieldTypeNumeric, 0, 0); }, {"width of 0"});
    ExpectRefused([&] { fields.AddField("Depth", kFieldTypeNumeric, 20, 5); }, {"width of 20"});
    ExpectRefused([&] { fields.AddField("Depth", kFieldTypeNumeric, 10, 9); }, {"9 decimals"});
    ShapeField& depth = fields.AddField("Depth", kFieldTypeNumeric, 10, 5);
    ExpectRefused([&] { files_.VertexList(); }, {"not committed"});
    files_.CommitFields();
    ExpectRefused([&] { fields.AddField("Late", kFieldTypeNumeric, 10, 5); },
                  {"already committed"});
    ExpectRefused([&] { depth.Value(kNaN); }, {"nan", "'Depth'", "lagoon.dbf"});
    ExpectRefused([&] { depth.Value(-kInfinity); }, {"-inf"});
    ExpectRefused([&] { files_.VertexList().AddVertex(kNaN, 1, 0); }, {"nan", "lagoon.shp"});
    ExpectRefused([&] { files_.VertexList().AddVertex(1, kInfinity, 0); }, {"inf"});
    ExpectRefused([&] { files_.AppendShape(); }, {"shape 1", "no vertices"});
    // A ring closed by hand with two distinct vertices; then a second ring of two.
    for (const auto& [x, y] : {std::pair{0, 0}, {0, 1}, {0, 0}}) {
        files_.VertexList().AddVertex(x, y, 0);
    }
    ExpectRefused([&] { files_.AppendShape(); }, {"2 distinct vertices"});
    AddSquare(0);
    files_.VertexList().AddVertex(5, 5, 1);
    files_.VertexList().AddVertex(6, 5, 1);
    ExpectRefused([&] { files_.AppendShape(); }, {"shape 1", "part 1", "lagoon.shp"});

    // A refused shape leaves nothing behind: the next one starts afresh as shape 1.
    AddSquare();
    depth.Value(3);
    files_.AppendShape();
    AddSquare();
    ExpectRefused([&] { files_.Release(); }, {"4 vertices"});
    files_.AppendShape();
    files_.Release();
    EXPECT_EQ(test::ReadBytes(Path("lagoon.dbf")).size(), 32 + 32 + 1 + 2 * 11 + 1U);
    ExpectRefused([&] { files_.AppendShape(); }, {"already complete"});
}

TEST_F(ShapeFileCalls, PointNeedsExactlyOneVertexAndTheFolderMustExist) {
    files_.OpenShapeFile(Path(), 1, kShapeTypePoint);
    files_.CommitFields();
    files_.VertexList().AddVertex(1, 2, 0);
    files_.VertexList().AddVertex(3, 4, 0);
    ExpectRefused([&] { files_.AppendShape(); }, {"2 vertices", "exactly 1"});
    ExpectRefused([&] { files_.AppendShape(); }, {"0 vertices"});
    ShapeFiles other(fileSystem_, test::NoonOf(std::chrono::year(2024) / 1 / 2));
    ExpectRefused([&] { other.OpenShapeFile(Path("missing/lagoon.shp"), 1, 1); },
                  {"folder '", "/missing': No such file or directory"});
}

}  // namespace
}  // namespace tesselar
