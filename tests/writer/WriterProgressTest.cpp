#include <gtest/gtest.h>

#include <chrono>

#include "controls/shapefile/OutputFiles.h"
#include "support/TempDir.h"
#include "writer/CreateShapeFiles.h"
#include "writer/JobBuilder.h"
#include "writer/WriterFakes.h"

namespace tesselar {
namespace {

using std::chrono::seconds;

double Zero(int, int) {
    return 0.0;
}
double ZeroValue(int, int, int) {
    return 0.0;
}

class WriterProgressTest : public ::testing::Test {
protected:
    void Write(ShapeType shapeType, std::int16_t iMax, std::int16_t jMax, const Clock& clock) {
        ConversionJob job;
        test::FillJob(job, shapeType, iMax, jMax, {"depth"}, Zero, Zero, ZeroValue);
        WriteShapeFile(dir_ / "out.shp", job, {display_, clock, files_});
    }

    test::TempDir dir_;
    PosixFileSystem files_;
    test::RecordingDisplay display_;
    test::SteppingClock stillClock_;
};

// The bar runs to a tenth of the shape count and moves by one every ten shapes; shapes faster
// than the clock show zero times.
TEST_F(WriterProgressTest, SetsTheRangeFirstThenShowsTensOfShapesAndBothTimesPerShape) {
    Write(ShapeType::Polygon, 5, 5, stillClock_);

    std::vector<std::string> calls = {"max", "min"};
    for (std::size_t shape = 1; shape <= 25; ++shape) {
        calls.insert(calls.end(), {"value", "panel3", "panel4"});
    }
    EXPECT_EQ(display_.calls, calls);
    EXPECT_EQ(display_.maxima, std::vector<float>{2.5f});
    EXPECT_EQ(display_.minima, std::vector<float>{0.0f});
    ASSERT_EQ(display_.values.size(), 25u);
    for (std::size_t shape = 1; shape <= 25; ++shape) {
        const float expected = shape < 10 ? 0.0f : shape < 20 ? 1.0f : 2.0f;
        EXPECT_EQ(display_.values[shape - 1], expected) << "after shape " << shape;
        EXPECT_EQ(display_.elapsedTexts[shape - 1], "Time elapsed: 00:00:00");
        EXPECT_EQ(display_.remainingTexts[shape - 1], "Time remaining: 00:00:00");
    }
}

TEST_F(WriterProgressTest, PointsCountOnePerParticle) {
    Write(ShapeType::Point, 7, 1, stillClock_);

    EXPECT_EQ(display_.maxima, std::vector<float>{0.7f});
    EXPECT_EQ(display_.values, std::vector<float>(7, 0.0f));
    EXPECT_EQ(display_.remainingTexts.size(), 7u);
}

TEST_F(WriterProgressTest, EstimatesTheRemainingTimeFromTheMeanTimePerShape) {
    const test::SteppingClock twoSecondsPerShape(seconds(2));
    Write(ShapeType::Polygon, 4, 5, twoSecondsPerShape);

    ASSERT_EQ(display_.elapsedTexts.size(), 20u);
    EXPECT_EQ(display_.elapsedTexts[3], "Time elapsed: 00:00:08");
    EXPECT_EQ(display_.remainingTexts[3], "Time remaining: 00:00:32");
    EXPECT_EQ(display_.elapsedTexts.back(), "Time elapsed: 00:00:40");
    EXPECT_EQ(display_.remainingTexts.back(), "Time remaining: 00:00:00");
}

TEST_F(WriterProgressTest, RoundsTimesToTheNearestSecondAndShowsDays) {
    const test::SteppingClock slowShapes(std::chrono::milliseconds(1600));
    Write(ShapeType::Polygon, 1, 3, slowShapes);
    // 1.6 s per shape: after shape 1, 1.6 s spent and 3.2 s to go.
    EXPECT_EQ(display_.elapsedTexts[0], "Time elapsed: 00:00:02");
    EXPECT_EQ(display_.remainingTexts[0], "Time remaining: 00:00:03");
    EXPECT_EQ(display_.elapsedTexts[2], "Time elapsed: 00:00:05");

    const test::SteppingClock slowerShapes(seconds(50'000));
    Write(ShapeType::Polygon, 1, 3, slowerShapes);
    EXPECT_EQ(display_.remainingTexts[3], "Time remaining: 1 day 03:46:40");
    EXPECT_EQ(display_.elapsedTexts[5], "Time elapsed: 1 day 17:40:00");
}

TEST_F(WriterProgressTest, GridWithoutCellsSetsOnlyTheRange) {
    Write(ShapeType::Polygon, 4, 0, stillClock_);

    EXPECT_EQ(display_.maxima, std::vector<float>{0.0f});
    EXPECT_EQ(display_.minima, std::vector<float>{0.0f});
    EXPECT_TRUE(display_.values.empty());
    EXPECT_TRUE(display_.elapsedTexts.empty());
}

}  // namespace
}  // namespace tesselar
