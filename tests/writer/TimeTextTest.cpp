#include <gtest/gtest.h>

#include <cmath>

#include "writer/TimeText.h"

namespace tesselar {
namespace {

TEST(TimeTextTest, ShowsADurationAsAClockShowsItWithWholeDaysBeforeIt) {
    EXPECT_EQ(TimeText(0), "00:00:00");
    EXPECT_EQ(TimeText(59), "00:00:59");
    EXPECT_EQ(TimeText(60), "00:01:00");
    EXPECT_EQ(TimeText(3723), "01:02:03");
    EXPECT_EQ(TimeText(86399), "23:59:59");
    EXPECT_EQ(TimeText(86400), "1 day 00:00:00");
    EXPECT_EQ(TimeText(86400 + 2 * 3600 + 3 * 60 + 4), "1 day 02:03:04");
    EXPECT_EQ(TimeText(3 * 86400 + 10), "3 days 00:00:10");
    EXPECT_EQ(TimeText(400 * 86400 + 1), "400 days 00:00:01");
    EXPECT_EQ(TimeText(-5), "00:00:00");
}

TEST(WholeSecondsTest, RoundsToTheNearestSecondWithinRange) {
    EXPECT_EQ(WholeSeconds(0.0), 0);
    EXPECT_EQ(WholeSeconds(0.49), 0);
    EXPECT_EQ(WholeSeconds(0.5), 1);
    EXPECT_EQ(WholeSeconds(59.6), 60);
    EXPECT_EQ(WholeSeconds(86399.5), 86400);
    // Noise below zero and what is no number count as nothing; huge durations stay in range.
    EXPECT_EQ(WholeSeconds(-1e-12), 0);
    EXPECT_EQ(WholeSeconds(-3.7), 0);
    EXPECT_EQ(WholeSeconds(std::nan("")), 0);
    EXPECT_GT(WholeSeconds(1e300), 0);
    EXPECT_GT(WholeSeconds(HUGE_VAL), 0);
}

}  // namespace
}  // namespace tesselar
