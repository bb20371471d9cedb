#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "cli/TerminalProgress.h"

namespace tesselar {
namespace {

std::vector<std::string> DrawnLines(const std::string& output) {
    std::vector<std::string> lines;
    std::stringstream stream(output);
    std::string line;
    while (std::getline(stream, line, '\r')) {
        if (!line.empty()) {
            lines.push_back(line);
        }
    }
    return lines;
}

class TerminalProgressTest : public ::testing::Test {
protected:
    TerminalProgressTest() {
        progress_.SetMax(2.5f);
        progress_.SetMin(0.0f);
    }
    void Shape(float value, const std::string& elapsed, const std::string& remaining) {
        progress_.SetValue(value);
        progress_.SetPanelText(3, "Time elapsed: " + elapsed);
        progress_.SetPanelText(4, "Time remaining: " + remaining);
    }

    std::ostringstream terminal_;
    TerminalProgress progress_{terminal_};
};

TEST_F(TerminalProgressTest, DrawsOnlyWhenThePercentageOrATimeChanges) {
    Shape(0.0f, "00:00:00", "00:00:09");
    const std::size_t afterFirst = DrawnLines(terminal_.str()).size();
    Shape(0.0f, "00:00:00", "00:00:09");
    Shape(0.0f, "00:00:00", "00:00:09");
    EXPECT_EQ(DrawnLines(terminal_.str()).size(), afterFirst);

    Shape(1.0f, "00:00:00", "00:00:09");
    const auto lines = DrawnLines(terminal_.str());
    ASSERT_EQ(lines.size(), afterFirst + 1);
    EXPECT_NE(lines.back().find(" 40%"), std::string::npos) << lines.back();
    EXPECT_NE(lines.back().find("Time elapsed: 00:00:00  Time remaining: 00:00:09"),
              std::string::npos)
        << lines.back();
}

TEST_F(TerminalProgressTest, BlanksWhatALongerLineLeftBehind) {
    Shape(0.0f, "00:00:01", "1 day 00:00:00");
    Shape(1.0f, "00:00:02", "00:00:03");

    const auto lines = DrawnLines(terminal_.str());
    for (std::size_t index = 1; index < lines.size(); ++index) {
        EXPECT_GE(lines[index].size(), lines[index - 1].size());
    }
}

TEST_F(TerminalProgressTest, CompletedConversionEndsOnAFullBarAndANewLine) {
    Shape(2.0f, "00:00:05", "00:00:00");
    progress_.Finish(true);

    const std::string output = terminal_.str();
    ASSERT_FALSE(output.empty());
    EXPECT_EQ(output.back(), '\n');
    EXPECT_NE(DrawnLines(output).back().find("100%"), std::string::npos);
}

TEST_F(TerminalProgressTest, FailedConversionEndsTheLineWhereItStood) {
    Shape(1.0f, "00:00:05", "00:00:07");
    progress_.Finish(false);

    const std::string output = terminal_.str();
    EXPECT_EQ(output.back(), '\n');
    EXPECT_EQ(output.find("100%"), std::string::npos);
}

TEST_F(TerminalProgressTest, NothingDrawnLeavesNothingToEnd) {
    progress_.Finish(true);
    EXPECT_EQ(terminal_.str(), "");
}

}  // namespace
}  // namespace tesselar
