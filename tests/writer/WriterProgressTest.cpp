#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

#include "controls/shapefile/OutputFiles.h"
#include "support/TempDir.h"
#include "writer/CreateShapeFiles.h"
#include "writer/JobBuilder.h"
#include "writer/TimeText.h"
#include "writer/WriterFakes.h"

namespace tesselar {
namespace {

TEST(TimeTextTest, ShowsWholeSecondsAsAClockWithWholeDaysBeforeIt) {
    const std::pair<double, const char*> cases[] = {
        {0, "00:00:00"},           {0.49, "00:00:00"},
        {0.5, "00:00:01"},         {59.6, "00:01:00"},
        {3723, "01:02:03"},        {86399.5, "1 day 00:00:00"},
        {93784, "1 day 02:03:04"}, {3 * 86400 + 10, "3 days 00:00:10"},
        {-3.7, "00:00:00"},        {std::nan(""), "00:00:00"}};
    for (const auto& [seconds, text] : cases) {
        EXPECT_EQ(TimeText(WholeSeconds(seconds)), text) << seconds;
    }
    EXPECT_GT(WholeSeconds(HUGE_VAL), 0);
}

double Zero(int, int) {
    return 0.0;
}

class WriterProgressTest : public ::testing::Test {
protected:
    void Write(ShapeType shapeType, std::int16_t iMax, std::int16_t jMax,
               std::chrono::milliseconds perShape = {}) {
        ConversionJob job;
        test::FillJob(job, shapeType, iMax, jMax, {"depth"}, Zero, Zero,
                      [](int, int, int) { return 0.0; });
        const test::SteppingClock clock(perShape);
        WriteShapeFile(dir_ / "out.shp", job, {display_, clock, files_});
    }

    test::TempDir dir_;
    PosixFileSystem files_;
    test::RecordingDisplay display_;
};

// The bar runs from 0 to a tenth of the shape count and moves by one every ten shapes; shapes
// faster than the clock show zero times; an empty grid only sets the range.
TEST_F(WriterProgressTest, SetsTheRangeFirstThenShowsTensOfShapesAndBothTimesPerShape) {
    Write(ShapeType::Polygon, 5, 3);
    std::vector<std::string> calls = {"max", "min"};
    std::vector<float> values;
    for (int shape = 1; shape <= 15; ++shape) {
        calls.insert(calls.end(), {"value", "panel3", "panel4"});
        values.push_back(shape < 10 ? 0.0f : 1.0f);
    }
    EXPECT_EQ(display_.calls, calls);
    EXPECT_EQ(display_.values, values);
    EXPECT_EQ(display_.elapsedTexts.back(), "Time elapsed: 00:00:00");
    EXPECT_EQ(display_.remainingTexts.back(), "Time remaining: 00:00:00");
    Write(ShapeType::Point, 7, 1);
    Write(ShapeType::Polygon, 4, 0);
    EXPECT_EQ(display_.maxima, (std::vector<float>{1.5f, 0.7f, 0.0f}));
    EXPECT_EQ(display_.values.size(), 22u);
}

// The remaining time is the mean time per shape so far times the shapes still to come.
TEST_F(WriterProgressTest, EstimatesTheRemainingTimeFromTheMeanTimePerShape) {
    Write(ShapeType::Polygon, 4, 5, std::chrono::seconds(2));
    ASSERT_EQ(display_.elapsedTexts.size(), 20u);
    EXPECT_EQ(display_.elapsedTexts[3], "Time elapsed: 00:00:08");
    EXPECT_EQ(display_.remainingTexts[3], "Time remaining: 00:00:32");
    EXPECT_EQ(display_.elapsedTexts.back(), "Time elapsed: 00:00:40");
    Write(ShapeType::Polygon, 1, 3, std::chrono::milliseconds(1600));
    EXPECT_EQ(display_.remainingTexts[20], "Time remaining: 00:00:03");  // 3.2 s to go
}

}  // namespace
}  // namespace tesselar
