#include <gtest/gtest.h>

#include <cmath>

#include "readers/GridSize.h"

namespace tesselar {
namespace {

TEST(ParseGridSize, AcceptsADecimalNumberWithBlanksAround) {
    EXPECT_EQ(ParseGridSize("121"), 121.0);
    EXPECT_EQ(ParseGridSize(" \t121  "), 121.0);
    EXPECT_EQ(ParseGridSize("        12"), 12.0);
    EXPECT_EQ(ParseGridSize("+3"), 3.0);
    EXPECT_EQ(ParseGridSize("-3"), -3.0);
    EXPECT_EQ(ParseGridSize("3.5"), 3.5);
    EXPECT_EQ(ParseGridSize(".5"), 0.5);
    EXPECT_EQ(ParseGridSize("4."), 4.0);
    EXPECT_EQ(ParseGridSize("1.2E2"), 120.0);
    EXPECT_EQ(ParseGridSize("1e-999"), 0.0);
    EXPECT_EQ(ParseGridSize("1e999"), HUGE_VAL);
    EXPECT_EQ(ParseGridSize("-1e999"), -HUGE_VAL);
}

TEST(ParseGridSize, RefusesAnythingElse) {
    for (const char* text : {"", "   ", "abc", "   abc", "12abc", "1 2", "1,5", "&H10", "inf",
                             "nan", ".", "+", "1e", "1e+", "--1", "0x10", "3 3"}) {
        EXPECT_FALSE(ParseGridSize(text).has_value()) << "'" << text << "'";
    }
}

TEST(GridExtent, SubtractsOneAndRoundsHalvesToEven) {
    EXPECT_EQ(GridExtent(121.0), 120.0);
    EXPECT_EQ(GridExtent(3.5), 2.0);
    EXPECT_EQ(GridExtent(4.5), 4.0);
    EXPECT_EQ(GridExtent(3.6), 3.0);
    EXPECT_EQ(GridExtent(0.5), 0.0);  // -0.5 rounds to the even 0
    EXPECT_EQ(GridExtent(0.4), -1.0);
}

}  // namespace
}  // namespace tesselar
