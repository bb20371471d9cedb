#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "readers/LineValue.h"

namespace tesselar {
namespace {

struct Case {
    const char* line;
    double expected;
};

void ExpectValues(std::initializer_list<Case> cases) {
    for (const Case& c : cases) {
        double value = -1.0;
        ASSERT_TRUE(ReadLineValue(c.line, value)) << "'" << c.line << "'";
        // The rounded result must be the very double nearest to the decimal: compare exactly.
        EXPECT_EQ(value, c.expected) << "'" << c.line << "'";
    }
}

TEST(ReadLineValue, RoundsHalfwayHundredthsToEvenOnTheDigitsAsWritten) {
    ExpectValues({
        {"0.125", 0.12},
        {"0.375", 0.38},
        {"1.015", 1.02},  // the double nearest 1.015 lies below it
        {"2.675", 2.68},  // and the one nearest 2.675 too
        {"0.005", 0.0},
        {"0.015", 0.02},
        {"0.0051", 0.01},
        {"-0.015", -0.02},
        {"123456789012.345", 123456789012.34},
        {"99.995", 100.0},
        {"7", 7.0},
        {"-3.14159", -3.14},
        // The same with blanks inside the number.
        {"0.1 25", 0.12},
        {"0 .375", 0.38},
        {"- 0.01 5", -0.02},
    });
}

TEST(ReadLineValue, NeverGivesNegativeZero) {
    for (const char* line : {"-0.001", "-0.005", "-0", "-0.0e5", "-"}) {
        double value = -1.0;
        ASSERT_TRUE(ReadLineValue(line, value)) << line;
        EXPECT_EQ(value, 0.0) << line;
        EXPECT_FALSE(std::signbit(value)) << line;
    }
}

TEST(ReadLineValue, ReadsTheLongestLeadingNumber) {
    ExpectValues({
        {"1.5D+02", 150.0},
        {"1.5d2", 150.0},
        {"2.5E-1", 0.25},
        {"1 234.5", 1234.5},
        {" \t- 12 . 5 e 1 ", -125.0},
        {"12abc", 12.0},
        {"1,5", 1.0},
        {"1.2.3", 1.2},
        {"+7", 7.0},
        {".5", 0.5},
        {"5.", 5.0},
        {"1e", 1.0},
        {"1e+", 1.0},
        {"3 <EndData>", 3.0},
    });
}

TEST(ReadLineValue, ReadsZeroWhereNoNumberLeads) {
    ExpectValues({
        {"", 0.0},
        {"   ", 0.0},
        {"abc", 0.0},
        {"<BeginData>", 0.0},
        {"inf", 0.0},
        {"nan", 0.0},
        {"--7", 0.0},
        {"e5", 0.0},
        {".", 0.0},
        {"&", 0.0},
        {"&X12", 0.0},
    });
}

TEST(ReadLineValue, ReadsHexadecimalAndOctalIntegers) {
    ExpectValues({
        {"&HFF", 255.0},
        {"&hff", 255.0},
        {"&H 1 0", 16.0},
        {"&O17", 15.0},
        {"&o8", 0.0},
        {"&O777x", 511.0},
        {"&HFFFF", 65535.0},
        {"&HFFFFFFFFFFFFFFFFFF", 4722366482869645213696.0},         // 2^72 - 1, rounded to 2^72
        {"&O1777777777777777777777777", 9444732965739290427392.0},  // 2^73 - 1 likewise
    });
    double value = 0.0;
    EXPECT_FALSE(ReadLineValue("&H" + std::string(300, 'F'), value));
}

TEST(ReadLineValue, RoundsLongNumbersOnAllTheirDigits) {
    ExpectValues({
        {"1234567890.1234567890123456", 1234567890.12},
        {"0.1250000000000000000000001", 0.13},  // beyond halfway only in the 25th digit
        {"0.1250000000000000000000000", 0.12},
        {"0.1350000000000000000000000", 0.14},
        {"9999999999999999999.995", 10000000000000000000.0},
        {"1234567890123456789", 1234567890123456789.0},
        {"9007199254740993", 9007199254740993.0},  // 2^53 + 1: no double holds it exactly
        {"00000000000000000000000000012.5", 12.5},
    });
}

TEST(ReadLineValue, HandlesExtremeExponents) {
    ExpectValues({
        {"1e308", 1e308},
        {"1.7976931348623157e308", std::numeric_limits<double>::max()},
        {"1e-3", 0.0},
        {"1e-999", 0.0},
        {"5e-3", 0.0},
        {"6e-3", 0.01},
        {"0e999", 0.0},
    });
}

TEST(ReadLineValue, ReportsNumbersBeyondTheRangeOfADouble) {
    for (const char* line : {"1e999", "-1e999", "1.8e308", "1e99999999999999999999"}) {
        double value = 0.0;
        EXPECT_FALSE(ReadLineValue(line, value)) << line;
    }
}

// With every digit kept, a line reads as the double nearest to its number, in every notation
// ReadLineValue takes; the expected values are the compiler's nearest doubles.
TEST(ReadLineDigits, ReadsTheNearestDoubleOfTheNumberAsWritten) {
    const std::initializer_list<Case> cases = {
        {"1.015", 1.015},
        {"-8.7012345", -8.7012345},
        {"512496.004", 512496.004},
        {".5", 0.5},
        {"-.25", -0.25},
        {"1 234.5", 1234.5},
        {"1.5D+02", 150.0},
        {"2.5e-1 ", 0.25},
        {"12abc", 12.0},
        {"1,5", 1.0},
        {"&HFF", 255.0},
        {"0.12345678901234567890123", 0.12345678901234567890123},
        {"1e-400", 0.0},
        {"-0", 0.0},
        {"inf", 0.0},
        {"", 0.0},
    };
    for (const Case& c : cases) {
        double value = -1.0;
        ASSERT_TRUE(ReadLineDigits(c.line, value)) << "'" << c.line << "'";
        EXPECT_EQ(value, c.expected) << "'" << c.line << "'";
        EXPECT_FALSE(std::signbit(value) && value == 0.0) << "'" << c.line << "'";
    }
    double value = 0.0;
    EXPECT_FALSE(ReadLineDigits("-1e999", value));
    EXPECT_FALSE(ReadLineDigits("1.8e3 08", value));
}

}  // namespace
}  // namespace tesselar
