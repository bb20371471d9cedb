#include <gtest/gtest.h>

#include <string>

#include "readers/ReadFiles.h"
#include "support/TempDir.h"

namespace tesselar {
namespace {

class HeaderScan : public ::testing::Test {
protected:
    std::string Write(const std::string& content) { return dir_.Write("file.dat", content); }

    test::TempDir dir_;
};

TEST_F(HeaderScan, TakesTenCharactersAfterTheFirstColon) {
    EXPECT_EQ(ReadHeaderValue(Write("SIZE_I:3\n"), "SIZE_I"), "3");
    EXPECT_EQ(ReadHeaderValue(Write("SIZE_I : 121\n"), "SIZE_I"), " 121");
    EXPECT_EQ(ReadHeaderValue(Write("SIZE_I:" + std::string(11, ' ') + "3\n"), "SIZE_I"),
              std::string(10, ' '));
    EXPECT_EQ(ReadHeaderValue(Write("SIZE_I:        1234\n"), "SIZE_I"), "        12");
    EXPECT_EQ(ReadHeaderValue(Write("time 12:30: SIZE_I 4\n"), "SIZE_I"), "30: SIZE_I");
    // Ten characters, not ten bytes: "é" takes two bytes in UTF-8.
    EXPECT_EQ(ReadHeaderValue(Write("SIZE_I:éééééééééééé\n"), "SIZE_I"), "éééééééééé");
}

TEST_F(HeaderScan, FindsTheFirstLineHoldingTheKeyword) {
    const std::string path =
        Write("GRID\r\nSIZE_J: 2\r\nSIZE_I: 3\r\nSIZE_I: 9\r\n<BeginData>\r\n1\r\n");
    EXPECT_EQ(ReadHeaderValue(path, "SIZE_I"), " 3");
    EXPECT_EQ(ReadHeaderValue(path, "SIZE_J"), " 2");
    EXPECT_EQ(ReadHeaderValue(path, "size_i"), "1");  // case-sensitive: the last line is taken
}

TEST_F(HeaderScan, TakesTheFirstTenCharactersOfALineWithoutColon) {
    EXPECT_EQ(ReadHeaderValue(Write("SIZE_I 12345678901\n"), "SIZE_I"), "SIZE_I 123");
    // Without the keyword and without empty lines the scan runs to the last line.
    EXPECT_EQ(ReadHeaderValue(Write("SIZE_I: 3\n<BeginData>\n5\n120\n"), "SIZE_J"), "120");
}

TEST_F(HeaderScan, StopsAtAnEmptyLine) {
    EXPECT_EQ(ReadHeaderValue(Write("title: abc\n\nSIZE_I: 3\n"), "SIZE_I"), " abc");
    EXPECT_EQ(ReadHeaderValue(Write("\nSIZE_I: 3\n"), "SIZE_I"), "");
    EXPECT_EQ(ReadHeaderValue(Write(""), "SIZE_I"), "");
}

TEST_F(HeaderScan, FindsTheMarkerLine) {
    EXPECT_EQ(FindBeginDataLine(Write("a\nb\nc\nd\n<BeginData>\n1\n"), "<BeginData>"), 5);
    EXPECT_EQ(FindBeginDataLine(Write("x <BeginData> y\n1\n"), "<BeginData>"), 1);
    EXPECT_EQ(FindBeginDataLine(Write("a\n<begindata>\n<BeginData>\n"), "<BeginData>"), 3);
}

TEST_F(HeaderScan, GivesTheLastLineReadWithoutAMarker) {
    // Stopped by an empty line: the values would start on that empty line.
    EXPECT_EQ(FindBeginDataLine(Write("a\nb\n\n<BeginData>\n1\n"), "<BeginData>"), 2);
    // Run to the end of the file.
    EXPECT_EQ(FindBeginDataLine(Write("a\nb\nc\n"), "<BeginData>"), 3);
    // Stopped before any line was read.
    EXPECT_EQ(FindBeginDataLine(Write("\n<BeginData>\n1\n"), "<BeginData>"), 0);
    EXPECT_EQ(FindBeginDataLine(Write(""), "<BeginData>"), 0);
}

}  // namespace
}  // namespace tesselar
