#include <gtest/gtest.h>

#include <chrono>
#include <csignal>

#include "controls/shapefile/OutputFiles.h"
#include "conversion/ConversionError.h"
#include "support/TempDir.h"
#include "writer/CreateShapeFiles.h"
#include "writer/JobBuilder.h"
#include "writer/ShapelibReader.h"
#include "writer/WriterFakes.h"

namespace tesselar {
namespace {

using Ring = std::vector<std::pair<double, double>>;

constexpr int kShpPoint = 1;
constexpr int kShpPolygon = 5;

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

// The nodes of the job at the (di, dj) steps from (i, j), the first one repeated at the end.
Ring NodeRing(const ConversionJob& job, int i, int j,
              std::initializer_list<std::pair<int, int>> steps) {
    Ring ring;
    for (const auto& [di, dj] : steps) {
        ring.emplace_back(job.XCoords.at(i + di, j + dj), job.YCoords.at(i + di, j + dj));
    }
    ring.push_back(ring.front());
    return ring;
}

class WriteShapeFileTest : public ::testing::Test {
protected:
    WriteSummary Write(const ConversionJob& job, const std::string& name = "out.shp") {
        return WriteShapeFile(dir_ / name, job, {display_, clock_, files_});
    }
    test::ShapefileContents Read(const std::string& name = "out.shp") {
        return test::ReadWithShapelib(dir_ / name);
    }

    test::TempDir dir_;
    PosixFileSystem files_;
    test::RecordingDisplay display_;
    test::SteppingClock clock_{std::chrono::milliseconds(3)};
};

TEST_F(WriteShapeFileTest, CellsBecomeRingsOfTheirNodesWithJFastestAndAColumnPerAttribute) {
    ConversionJob job;
    test::FillJob(
        job, ShapeType::Polygon, 3, 2, {"Temp", "Salinity"}, East, South,
        [](int k, int i, int j) { return k == 1 ? CellCode(k, i, j) : -CellCode(k, i, j); });
    Write(job);

    const auto contents = Read();
    EXPECT_EQ(contents.shapeType, kShpPolygon);
    ASSERT_EQ(contents.fields.size(), 2u);
    EXPECT_EQ(contents.fields[0].name, "Temp");
    EXPECT_EQ(contents.fields[1].name, "Salinity");
    for (const auto& field : contents.fields) {
        EXPECT_EQ(field.type, 'N');
        EXPECT_EQ(field.width, 10);
        EXPECT_EQ(field.decimals, 5);
    }
    ASSERT_EQ(contents.records.size(), 6u);
    ASSERT_EQ(contents.values.size(), 6u);
    std::size_t record = 0;
    for (int i = 1; i <= 3; ++i) {
        for (int j = 1; j <= 2; ++j, ++record) {
            SCOPED_TRACE("cell (" + std::to_string(i) + ", " + std::to_string(j) + ")");
            EXPECT_EQ(contents.records[record].vertices,
                      NodeRing(job, i, j, {{0, 0}, {1, 0}, {1, 1}, {0, 1}}));
            EXPECT_EQ(contents.records[record].partCount, 1);
            EXPECT_DOUBLE_EQ(contents.values[record][0], CellCode(1, i, j));
            EXPECT_DOUBLE_EQ(contents.values[record][1], -CellCode(2, i, j));
        }
    }
}

TEST_F(WriteShapeFileTest, AnticlockwiseCellsAreReversedFromTheirFirstNode) {
    ConversionJob job;
    test::FillJob(
        job, ShapeType::Polygon, 2, 2, {"depth"}, [](int i, int) { return 1.0 * i; },
        [](int, int j) { return 1.0 * j; }, CellCode);
    Write(job);

    const auto contents = Read();
    ASSERT_EQ(contents.records.size(), 4u);
    for (int i = 1; i <= 2; ++i) {
        for (int j = 1; j <= 2; ++j) {
            EXPECT_EQ(contents.records[static_cast<std::size_t>(2 * i + j - 3)].vertices,
                      NodeRing(job, i, j, {{0, 0}, {0, 1}, {1, 1}, {1, 0}}));
        }
    }
}

TEST_F(WriteShapeFileTest, AttributesOfTheSameNameKeepAColumnEach) {
    ConversionJob job;
    test::FillJob(job, ShapeType::Polygon, 2, 2, {"depth", "depth", "Depth"}, East, South,
                  CellCode);
    const WriteSummary summary = Write(job);

    const auto contents = Read();
    ASSERT_EQ(contents.fields.size(), 3u);
    EXPECT_EQ(contents.fields[0].name, "depth");
    EXPECT_NE(contents.fields[1].name, contents.fields[0].name);
    EXPECT_NE(contents.fields[2].name, contents.fields[1].name);
    // The summary names the columns stored under another name, as a reader finds them.
    ASSERT_EQ(summary.renamedColumns.size(), 2u);
    EXPECT_EQ(summary.renamedColumns[0].name, "depth");
    EXPECT_EQ(summary.renamedColumns[0].stored, contents.fields[1].name);
    EXPECT_EQ(summary.renamedColumns[1].name, "Depth");
    EXPECT_EQ(summary.renamedColumns[1].stored, contents.fields[2].name);
    ASSERT_EQ(contents.values.size(), 4u);
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_DOUBLE_EQ(contents.values[3][k], CellCode(static_cast<int>(k) + 1, 2, 2));
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
    Write(job, "drifters.shp");

    const auto contents = Read("drifters.shp");
    EXPECT_EQ(contents.shapeType, kShpPoint);
    ASSERT_EQ(contents.records.size(), 3u);
    for (std::size_t p = 0; p < 3; ++p) {
        EXPECT_EQ(contents.records[p].vertices, Ring{positions[p]});
        EXPECT_DOUBLE_EQ(contents.values[p][0], 0.0);
        EXPECT_DOUBLE_EQ(contents.values[p][1], -1.5 * static_cast<double>(p + 1));
    }
}

TEST_F(WriteShapeFileTest, GridsWithoutCellsAndNoParticlesWriteTheColumnsAndNoRecord) {
    const struct {
        ShapeType shapeType;
        std::int16_t iMax, jMax;
        int shpType;
    } cases[] = {{ShapeType::Polygon, 3, 0, kShpPolygon},
                 {ShapeType::Polygon, 0, 3, kShpPolygon},
                 {ShapeType::Point, 0, 1, kShpPoint}};
    for (const auto& c : cases) {
        ConversionJob job;
        test::FillJob(job, c.shapeType, c.iMax, c.jMax, {"depth", "age"}, East, South, CellCode);
        Write(job);

        const auto contents = Read();
        EXPECT_EQ(contents.shapeType, c.shpType);
        EXPECT_TRUE(contents.records.empty());
        EXPECT_EQ(contents.fields.size(), 2u);
    }
}

TEST_F(WriteShapeFileTest, WritesToTheJobsFolderAndNameAsTheyStand) {
    ConversionJob job;
    test::FillJob(job, ShapeType::Polygon, 1, 1, {"depth"}, East, South, CellCode);
    job.ShapeFolder = dir_.Path().string();
    job.ShapeFileName = "lagoon.shp";
    WriteShapeFile(ShapeFilePath(job), job, {display_, clock_, files_});

    EXPECT_EQ(Read("lagoon.shp.shp").records.size(), 1u);
}

TEST_F(WriteShapeFileTest, CountsTheValuesThatNeededFewerDigits) {
    ConversionJob job;
    test::FillJob(job, ShapeType::Polygon, 1, 3, {"flow"}, East, South,
                  [](int, int, int j) { return j == 2 ? 1234567.891 : 1.5; });
    const WriteSummary summary = Write(job);

    EXPECT_EQ(summary.shortenedValueCount, 1);
    EXPECT_DOUBLE_EQ(Read().values[1][0], 1234567.89);
}

TEST_F(WriteShapeFileTest, FailureLeavesAnEarlierShapeFileAsItWas) {
    for (const std::string extension : {".shp", ".shx", ".dbf"}) {
        dir_.Write("out" + extension, "earlier " + extension);
    }
    ConversionJob job;
    test::FillJob(job, ShapeType::Polygon, 2, 2, {"depth"}, East, South, CellCode);
    job.XCoords = Array2D(2, 3, "XCoords");  // one row of nodes short

    EXPECT_THROW(Write(job), IndexError);
    EXPECT_EQ(dir_.FileNames(), (std::set<std::string>{"out.dbf", "out.shp", "out.shx"}));
    EXPECT_EQ(test::ReadBytes(dir_ / "out.shp"), "earlier .shp");
    EXPECT_EQ(test::ReadBytes(dir_ / "out.dbf"), "earlier .dbf");
}

// Shows nothing; a signal arrives as shape `stopAt` is written.
class SignalAtShape final : public ProgressDisplay {
public:
    explicit SignalAtShape(float stopAt) : stopAt_(stopAt) {}
    void SetMax(float) override {}
    void SetMin(float) override {}
    void SetValue(float value) override {
        if (value * 10 >= stopAt_) {
            signal = SIGINT;
        }
    }
    void SetPanelText(int, const std::string&) override {}
    volatile std::sig_atomic_t signal = 0;

private:
    float stopAt_;
};

TEST_F(WriteShapeFileTest, AStopLeavesAnEarlierShapeFileAsItWas) {
    for (const std::string extension : {".shp", ".shx", ".dbf"}) {
        dir_.Write("out" + extension, "earlier " + extension);
    }
    for (const float stopAt : {0.0F, 20.0F}) {
        SCOPED_TRACE(stopAt);
        for (const ShapeType shapeType : {ShapeType::Polygon, ShapeType::Point}) {
            SignalAtShape display(stopAt);
            display.signal = stopAt == 0 ? SIGINT : 0;
            ConversionJob job;
            const bool polygons = shapeType == ShapeType::Polygon;
            test::FillJob(job, shapeType, polygons ? 6 : 30, polygons ? 6 : 1, {"depth"}, East,
                          South, CellCode);
            try {
                WriteShapeFile(dir_ / "out.shp", job,
                               {display, clock_, files_, StopRequest(display.signal)});
                ADD_FAILURE() << "no stop";
            } catch (const Interrupted& interruption) {
                EXPECT_EQ(std::string(interruption.what()),
                          "interrupted by SIGINT while writing '" + (dir_ / "out.shp") +
                              "'; no shape file was written");
            }
            EXPECT_EQ(dir_.FileNames(), (std::set<std::string>{"out.dbf", "out.shp", "out.shx"}));
            EXPECT_EQ(test::ReadBytes(dir_ / "out.shp"), "earlier .shp");
        }
    }
}

}  // namespace
}  // namespace tesselar
