#include <gtest/gtest.h>

#include <cmath>

#include "readers/GridSize.h"

namespace tesselar {
namespace {

TEST(ParseGridSize, AcceptsOnlyADecimalNumberWithBlanksAround) {
    const struct {
        const char* text;
        double size;
    } accepted[] = {{" \t121  ", 121.0}, {"+3", 3.0},      {"-3", -3.0},    {".5", 0.5},
                    {"4.", 4.0},         {"1.2E2", 120.0}, {"1e-999", 0.0}, {"1e999", HUGE_VAL}};
    for (const auto& [text, size] : accepted) {
        EXPECT_EQ(ParseGridSize(text), size) << "'" << text << "'";
    }
    for (const char* text : {"", "   ", "abc", "12abc", "1 2", "1,5", "&H10", "inf", "nan", ".",
                             "+", "1e", "1e+", "--1", "0x10"}) {
        EXPECT_FALSE(ParseGridSize(text).has_value()) << "'" << text << "'";
    }
}

TEST(GridExtent, SubtractsOneAndRoundsHalvesToEven) {
    for (const auto& [size, extent] :
         {std::pair{121.0, 120.0}, {3.5, 2.0}, {4.5, 4.0}, {3.6, 3.0}, {0.5, 0.0}, {0.4, -1.0}}) {
        EXPECT_EQ(GridExtent(size), extent) << size;
    }
}

}  // namespace
}  // namespace tesselar
