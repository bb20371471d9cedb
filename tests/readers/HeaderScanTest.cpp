#include <gtest/gtest.h>

#include <string>

#include "readers/HeaderScan.h"

namespace tesselar {
namespace {

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

}  // namespace
}  // namespace tesselar
