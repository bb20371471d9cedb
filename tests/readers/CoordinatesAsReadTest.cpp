#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "conversion/ZeroedArray.h"
#include "readers/CoordinatesAsRead.h"
#include "readers/LineValue.h"

namespace tesselar {
namespace {

// Value lines of every kind that an axys file holds: up to 4 decimals (kept as a code beside
// the rounded value), more decimals, exponents, large and tiny values, and values that rounding
// takes to 0 (kept whole). Each must come back as the very double strtod reads from its text.
const std::vector<std::string> kLines = {"512330.58",
                                         "512323.373",
                                         "-512323.373",
                                         "4201688.950",
                                         "4201569.4585",
                                         "-4201569.4585",
                                         "0.004",
                                         "-0.004",
                                         "0.0049999",
                                         "37.123456789",
                                         "-8.65432101234567",
                                         "1e-9",
                                         "123456789012.3456",
                                         "987654321098765.4321",
                                         "1.5E+02",
                                         "2.675",
                                         "0.125",
                                         "99.995",
                                         "3 <EndData>",
                                         "&H1F",
                                         "7",
                                         "-0.00005",
                                         "12345.67891",
                                         "0.1 2345"};

double AsWritten(const std::string& line) {
    double value = 0.0;
    EXPECT_TRUE(ReadLineDigits(line, value)) << line;
    return value;
}

TEST(CoordinatesAsRead, GiveBackEveryValueAsReadAndRestoreThemInPlaceOfTheRounded) {
    const int upperJ = static_cast<int>(kLines.size());
    CoordinatesAsRead asRead(1, upperJ, "XCoords");
    Array2D rounded(1, upperJ, "XCoords");
    for (int j = 1; j <= upperJ; ++j) {
        const std::string& line = kLines[static_cast<std::size_t>(j - 1)];
        double exact = 0.0;
        ASSERT_TRUE(ReadLineBoth(line, rounded.at(1, j), exact)) << line;
        asRead.Keep(1, j, rounded.at(1, j), exact);
    }
    for (int j = 1; j <= upperJ; ++j) {
        const std::string& line = kLines[static_cast<std::size_t>(j - 1)];
        const double expected = line.starts_with('&') || line.find(' ') != std::string::npos
                                    ? AsWritten(line)
                                    : std::strtod(line.c_str(), nullptr);
        EXPECT_EQ(asRead.At(1, j, rounded.at(1, j)), expected) << line;
    }
    asRead.Restore(rounded);
    for (int j = 1; j <= upperJ; ++j) {
        const std::string& line = kLines[static_cast<std::size_t>(j - 1)];
        EXPECT_EQ(rounded.at(1, j), AsWritten(line)) << line;
        EXPECT_FALSE(std::signbit(rounded.at(1, j)) && rounded.at(1, j) == 0.0) << line;
    }
    EXPECT_EQ(rounded.at(0, 0), 0.0);
}

}  // namespace
}  // namespace tesselar
