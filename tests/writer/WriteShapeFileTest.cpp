// What the writer produces, read back with shapelib.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <tuple>

#include "controls/shapefile/OutputFiles.h"
#include "conversion/ConversionError.h"
#include "support/TempDir.h"
#include "writer/CreateShapeFiles.h"
#include "writer/JobBuilder.h"
#include "writer/ShapelibReader.h"
#include "writer/WriterFakes.h"

namespace tesselar {
namespace {

using ::testing::HasSubstr;
using Ring = std::vector<std::pair<double, double>>;

// Node (i, j) of a grid whose i runs east and j runs south, so that each cell's corners in the
// writer's order go round clockwise.
double East(int i, int j) {
    return 1000.0 + 10.0 * i + 0.25 * j;
}
double South(int i, int j) {
    return 5000.0 - 10.0 * j + 0.5 * i;
}

// A value that tells attribute k of cell (i, j) from every other.
double CellCode(int k, int i, int j) {
    return 100.0 * k + 10.0 * i + j + 0.125;
}

class WriteShapeFileTest : public ::testing::Test {
protected:
    WriteSummary Write(const ConversionJob& job) {
        return WriteShapeFile(dir_ / "out.shp", job, {display_, clock_, files_});
    }
    test::ShapefileContents Read(const std::string& name = "out.shp") {
        return test::ReadWithShapelib(dir_ / name);
    }

    test::TempDir dir_;
    PosixFileSystem files_;
    test::RecordingDisplay display_;
    test::SteppingClock clock_{std::chrono::milliseconds(3)};
};

// A cell's ring runs clockwise from node (i, j): through (i+1, j) when that is clockwise, else
// through (i, j+1). Attributes of the same name keep a column each.
TEST_F(WriteShapeFileTest, CellsBecomeClockwiseRingsWithJFastestAndAColumnPerAttribute) {
    const struct {
        test::NodeValue x, y;
        std::pair<int, int> second, fourth;
    } grids[] = {
        {East, South, {1, 0}, {0, 1}},
        {[](int i, int) { return 1.0 * i; }, [](int, int j) { return 1.0 * j; }, {0, 1}, {1, 0}}};
    for (const auto& grid : grids) {
        ConversionJob job;
        test::FillJob(job, ShapeType::Polygon, 3, 2, {"Temp", "Salinity", "temp"}, grid.x, grid.y,
                      CellCode);
        const WriteSummary summary = Write(job);

        // The summary names the columns stored under another name, as a reader finds them.
        const auto contents = Read();
        EXPECT_EQ(contents.shapeType, 5);
        ASSERT_EQ(contents.fields.size(), 3u);
        EXPECT_EQ(contents.fields[0].name, "Temp");
        EXPECT_EQ(contents.fields[1].name, "Salinity");
        ASSERT_EQ(summary.renamedColumns.size(), 1u);
        EXPECT_EQ(summary.renamedColumns[0].name, "temp");
        EXPECT_EQ(summary.renamedColumns[0].stored, contents.fields[2].name);
        EXPECT_NE(contents.fields[2].name, "Temp");
        for (const auto& field : contents.fields) {
            EXPECT_EQ(std::tuple(field.type, field.width, field.decimals), std::tuple('N', 10, 5));
        }
        ASSERT_EQ(contents.records.size(), 6u);
        std::size_t record = 0;
        for (int i = 1; i <= 3; ++i) {
            for (int j = 1; j <= 2; ++j, ++record) {
                SCOPED_TRACE("cell (" + std::to_string(i) + ", " + std::to_string(j) + ")");
                Ring ring;
                for (const auto& [di, dj] :
                     {std::pair{0, 0}, grid.second, {1, 1}, grid.fourth, {0, 0}}) {
                    ring.emplace_back(grid.x(i + di, j + dj), grid.y(i + di, j + dj));
                }
                EXPECT_EQ(contents.records[record].vertices, ring);
                EXPECT_EQ(contents.records[record].partCount, 1);
                for (std::size_t k = 0; k < 3; ++k) {
                    EXPECT_DOUBLE_EQ(contents.values[record][k],
                                     CellCode(static_cast<int>(k) + 1, i, j));
                }
            }
        }
    }
}

TEST_F(WriteShapeFileTest, PointsFollowTheParticlesWithTheirValues) {
    const Ring positions = {{0.0, 0.0}, {-5.25, 3.5}, {-5.25, 3.5}};
    ConversionJob job;
    test::FillJob(
        job, ShapeType::Point, 3, 1, {"age", "depth"},
        [&](int p, int) { return positions[static_cast<std::size_t>(p - 1)].first; },
        [&](int p, int) { return positions[static_cast<std::size_t>(p - 1)].second; },
        [](int k, int p, int) { return k == 1 ? 0.0 : -1.5 * p; });
    Write(job);

    const auto contents = Read();
    EXPECT_EQ(contents.shapeType, 1);
    ASSERT_EQ(contents.records.size(), 3u);
    for (std::size_t p = 0; p < 3; ++p) {
        EXPECT_EQ(contents.records[p].vertices, Ring{positions[p]});
        EXPECT_DOUBLE_EQ(contents.values[p][0], 0.0);
        EXPECT_DOUBLE_EQ(contents.values[p][1], -1.5 * static_cast<double>(p + 1));
    }
}

TEST_F(WriteShapeFileTest, GridsWithoutCellsAndNoParticlesWriteTheColumnsAndNoRecord) {
    const std::tuple<ShapeType, std::int16_t, std::int16_t> cases[] = {
        {ShapeType::Polygon, 3, 0}, {ShapeType::Polygon, 0, 3}, {ShapeType::Point, 0, 1}};
    for (const auto& [shapeType, iMax, jMax] : cases) {
        ConversionJob job;
        test::FillJob(job, shapeType, iMax, jMax, {"depth", "age"}, East, South, CellCode);
        Write(job);
        const auto contents = Read();
        EXPECT_EQ(contents.shapeType, shapeType == ShapeType::Polygon ? 5 : 1);
        EXPECT_TRUE(contents.records.empty());
        EXPECT_EQ(contents.fields.size(), 2u);
    }
}

// Values whose text loses digits are counted per column, as the records are written: a null
// after such a value is no loss. Each count names the column's width as the .dbf declares it,
// and its first value with the text shapelib reads.
TEST_F(WriteShapeFileTest, ValuesThatLoseDigitsAreCountedPerColumnWithItsWidth) {
    const double lossy = 0.1 + 0.2;  // 17 digits: no text of 19 characters holds them
    const std::vector<std::vector<double>> values = {{lossy, 1.25, 12345678.91},
                                                     {-9999.0, 2.5, 1.0},
                                                     {0.5, -9999.0, 123456789012.0},
                                                     {lossy, 3.75, 2.0}};
    const struct {
        bool fitColumns;
        std::vector<std::pair<int, std::int64_t>> counted;  // column, count
    } cases[] = {{true, {{0, 2}}}, {false, {{0, 2}, {2, 2}}}};
    for (const auto& [fitColumns, counted] : cases) {
        SCOPED_TRACE(fitColumns ? "fitted" : "default");
        ConversionJob job;
        test::FillJob(
            job, ShapeType::Point, 4, 1, {"lossy", "exact", "large"}, East, South,
            [&](int k, int p, int) {
                return values[static_cast<std::size_t>(p - 1)][static_cast<std::size_t>(k - 1)];
            });
        const WriteSummary summary =
            WriteShapeFile(dir_ / "out.shp", job, {display_, clock_, files_},
                           {.fitColumns = fitColumns, .cellIndex = false, .noData = -9999.0});
        const auto contents = Read();
        ASSERT_EQ(summary.shortenedValues.size(), counted.size());
        for (std::size_t n = 0; n < counted.size(); ++n) {
            const auto [column, count] = counted[n];
            const ShortenedValues& shortened = summary.shortenedValues[n];
            const auto index = static_cast<std::size_t>(column);
            EXPECT_EQ(shortened.column, job.AttribNames[index + 1]);
            EXPECT_EQ(shortened.width, contents.fields[index].width);
            EXPECT_EQ(shortened.count, count);
            EXPECT_EQ(shortened.first, values[0][index]);
            EXPECT_EQ(std::strtod(shortened.firstText.c_str(), nullptr), contents.values[0][index]);
            EXPECT_NE(contents.values[0][index], values[0][index]);
        }
    }
}

// A failure or a stop, before the first shape or amid them, leaves an earlier shape file as it
// was.
TEST_F(WriteShapeFileTest, FailuresAndStopsLeaveAnEarlierShapeFileAsItWas) {
    for (const std::string extension : {".shp", ".shx", ".dbf"}) {
        dir_.Write("out" + extension, "earlier " + extension);
    }
    const std::string interrupted = "interrupted by SIGINT while writing '" + (dir_ / "out.shp") +
                                    "'; no shape file was written";
    for (const ShapeType shapeType : {ShapeType::Polygon, ShapeType::Point}) {
        for (const float stopAt : {-1.0F, 0.0F, 2.0F}) {
            volatile std::sig_atomic_t signal = stopAt == 0 ? SIGINT : 0;
            display_.onValue = [&](float value) {
                signal = stopAt > 0 && value >= stopAt ? SIGINT : signal;
            };
            ConversionJob job;
            const bool polygons = shapeType == ShapeType::Polygon;
            test::FillJob(job, shapeType, polygons ? 6 : 30, polygons ? 6 : 1, {"depth"}, East,
                          South, CellCode);
            if (stopAt < 0) {
                job.XCoords = Array2D(2, 3, "XCoords");  // nodes short
            }
            try {
                WriteShapeFile(dir_ / "out.shp", job,
                               {display_, clock_, files_, StopRequest(signal)});
                ADD_FAILURE() << "no failure";
            } catch (const ConversionError& error) {
                EXPECT_THAT(error.what(), HasSubstr(stopAt < 0 ? "XCoords" : interrupted));
            }
            EXPECT_EQ(dir_.FileNames(), (std::set<std::string>{"out.dbf", "out.shp", "out.shx"}));
            EXPECT_EQ(test::ReadBytes(dir_ / "out.shp"), "earlier .shp");
            EXPECT_EQ(test::ReadBytes(dir_ / "out.dbf"), "earlier .dbf");
        }
    }
}

}  // namespace
}  // namespace tesselar
