#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "readers/GridSize.h"
#include "readers/HeaderScan.h"

namespace tesselar {
namespace {

// The text of a size keyword line, its number and the extent it gives.
TEST(KeywordValueText, TakesTenCharactersAfterTheFirstColon) {
    const struct {
        std::string line;
        std::string text;
    } cases[] = {
        {"SIZE_I:3", "3"},
        {"SIZE_I : 121", " 121"},
        {"SIZE_I:" + std::string(11, ' ') + "3", std::string(10, ' ')},
        {"SIZE_I:        1234", "        12"},
        {"time 12:30: SIZE_I 4", "30: SIZE_I"},
        // Without a ":", the line's first ten characters.
        {"SIZE_I 12345678901", "SIZE_I 123"},
        {"SIZE_I:", ""},
        // Ten characters, not ten bytes: "é" takes two bytes in UTF-8.
        {"SIZE_I:éééééééééééé", "éééééééééé"},
    };
    for (const auto& [line, text] : cases) {
        EXPECT_EQ(KeywordValueText(line), text) << "'" << line << "'";
    }
}

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
