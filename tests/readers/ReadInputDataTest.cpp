#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "conversion/ConversionError.h"
#include "conversion/ConversionJob.h"
#include "readers/InputFileError.h"
#include "readers/OpenFileCount.h"
#include "readers/ReadFiles.h"
#include "support/TempDir.h"

namespace tesselar {
namespace {

using ::testing::HasSubstr;

// The lines, each ended by a line break.
std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) {
        text += line + "\n";
    }
    return text;
}

std::string Repeated(const std::string& line, int count) {
    return Lines(std::vector<std::string>(static_cast<std::size_t>(count), line));
}

void AnySizes(const ConversionJob&) {}

class ReadInputDataTest : public ::testing::Test {
protected:
    void SetInputs(ShapeType shapeType, const std::string& xContent, const std::string& yContent) {
        job_.ShapeType = shapeType;
        job_.XAxysFile = dir_.Write("grid_x.dat", xContent);
        job_.YAxysFile = dir_.Write("grid_y.dat", yContent);
    }
    void AddAttribute(const std::string& name, const std::string& content) {
        AppendAttribute(job_, name, dir_.Write(name + ".dat", content));
    }
    // The message of the error ReadInputData ends with.
    std::string ErrorMessage() {
        try {
            ReadInputData(job_, AnySizes);
        } catch (const ConversionError& error) {
            return error.what();
        }
        return "no error";
    }

    test::TempDir dir_;
    ConversionJob job_;
};

// X of node (i, j) is 10 i + j; Y is 100 + 10 i + j plus a part that rounds away.
const std::string kPolygonX = Lines({"Grid from run 12", "SIZE_I : 3", "SIZE_J : 2", "<BeginData>",
                                     "11", "12", "21", "22", "31", "32", "<EndData>"});
const std::string kPolygonY =
    Lines({"Y coordinates", "  of the same grid", "<BeginData>", "111.004", "112.125", "121.004",
           "122.004", "131.004", "132.004"});

TEST_F(ReadInputDataTest, PolygonModeFillsEveryNodeAndCell) {
    SetInputs(ShapeType::Polygon, kPolygonX, kPolygonY);
    AddAttribute("Depth", Lines({"<BeginData>", "1.5", "2.5", "ignored"}));
    AddAttribute("Temp", Lines({"a", "b", "c", "d", "x <BeginData> x", "-1", "-2"}));
    AppendAttribute(job_, "Depth again", job_.AttribFiles[1]);
    ReadInputData(job_, AnySizes);

    EXPECT_EQ(job_.IMax, 2);
    EXPECT_EQ(job_.JMax, 1);
    ASSERT_EQ(job_.XCoords.UpperI(), 3);
    ASSERT_EQ(job_.XCoords.UpperJ(), 2);
    ASSERT_EQ(job_.YCoords.UpperI(), 3);
    ASSERT_EQ(job_.YCoords.UpperJ(), 2);
    for (int i = 0; i <= 3; ++i) {
        for (int j = 0; j <= 2; ++j) {
            const bool node = i >= 1 && j >= 1;
            EXPECT_EQ(job_.XCoords.at(i, j), node ? 10.0 * i + j : 0.0) << i << "," << j;
            const double y = i == 1 && j == 2 ? 112.12 : 100.0 + 10.0 * i + j;
            EXPECT_EQ(job_.YCoords.at(i, j), node ? y : 0.0) << i << "," << j;
        }
    }
    ASSERT_EQ(job_.AttribValues.UpperK(), 3);
    ASSERT_EQ(job_.AttribValues.UpperI(), 2);
    ASSERT_EQ(job_.AttribValues.UpperJ(), 1);
    const double expected[4][3] = {{0, 0, 0}, {0, 1.5, 2.5}, {0, -1, -2}, {0, 1.5, 2.5}};
    for (int k = 0; k <= 3; ++k) {
        for (int i = 0; i <= 2; ++i) {
            EXPECT_EQ(job_.AttribValues.at(k, i, 0), 0.0);
            EXPECT_EQ(job_.AttribValues.at(k, i, 1), i == 0 ? 0.0 : expected[k][i]);
        }
    }
}

TEST_F(ReadInputDataTest, PointModeReadsSizeIMinusOnePoints) {
    // SIZE_J is not read in point mode: a missing one does no harm.
    SetInputs(ShapeType::Point, Lines({"SIZE_I: 5", "<BeginData>", "1", "2", "3", "4", "5"}),
              Lines({"<BeginData>", "-1", "-2", "-3", "-4"}));
    AddAttribute("Age", Lines({"<BeginData>", "0.5", "1.5", "2.5", "3.5"}));
    ReadInputData(job_, AnySizes);

    EXPECT_EQ(job_.IMax, 4);
    EXPECT_EQ(job_.JMax, 1);
    ASSERT_EQ(job_.XCoords.UpperI(), 4);
    ASSERT_EQ(job_.XCoords.UpperJ(), 1);
    ASSERT_EQ(job_.AttribValues.UpperI(), 4);
    ASSERT_EQ(job_.AttribValues.UpperJ(), 1);
    for (int p = 0; p <= 4; ++p) {
        EXPECT_EQ(job_.XCoords.at(p, 0), 0.0);
        EXPECT_EQ(job_.YCoords.at(p, 0), 0.0);
        EXPECT_EQ(job_.AttribValues.at(1, p, 0), 0.0);
        EXPECT_EQ(job_.XCoords.at(p, 1), p);
        EXPECT_EQ(job_.YCoords.at(p, 1), -p);
        EXPECT_EQ(job_.AttribValues.at(1, p, 1), p == 0 ? 0.0 : p - 0.5);
        EXPECT_EQ(job_.AttribValues.at(0, p, 1), 0.0);
    }
}

// The header scans end at an empty line, and the values then start on that line.
TEST_F(ReadInputDataTest, ValuesStartOnTheEmptyLineThatEndsTheHeader) {
    // The marker below the empty line (line 3) reads as a value 0.
    SetInputs(ShapeType::Polygon,
              Lines({"SIZE_I: 3", "SIZE_J: 2", "", "<BeginData>", "3", "4", "5", "6"}),
              Lines({"", "<BeginData>", "1", "2", "3", "4"}));
    AddAttribute("A", Lines({"<BeginData>", "1", "2"}));
    ReadInputData(job_, AnySizes);
    const double x[] = {0, 0, 3, 4, 5, 6};
    const double y[] = {0, 0, 1, 2, 3, 4};  // an empty first line: values from line 1
    for (int n = 0; n < 6; ++n) {
        EXPECT_EQ(job_.XCoords.at(1 + n / 2, 1 + n % 2), x[n]) << n;
        EXPECT_EQ(job_.YCoords.at(1 + n / 2, 1 + n % 2), y[n]) << n;
    }

    // "SIZE_J" stands below the empty line: its value text comes from the "SIZE_I" line.
    SetInputs(ShapeType::Polygon,
              Lines({"SIZE_I: 3", "", "SIZE_J: 2", "<BeginData>"}) + Repeated("1", 6),
              Lines({"<BeginData>"}) + Repeated("2", 9));
    AddAttribute("A", Lines({"<BeginData>", "1", "2", "3", "4"}));
    ReadInputData(job_, AnySizes);
    EXPECT_EQ(job_.IMax, 2);
    EXPECT_EQ(job_.JMax, 2);
    // Values start on the empty line 2: "", "SIZE_J: 2" and "<BeginData>" read as 0.
    EXPECT_EQ(job_.XCoords.at(1, 1), 0.0);
    EXPECT_EQ(job_.XCoords.at(1, 3), 0.0);
    EXPECT_EQ(job_.XCoords.at(2, 1), 1.0);
    EXPECT_EQ(job_.XCoords.at(3, 3), 1.0);
}

TEST_F(ReadInputDataTest, ReportsFilesThatEndBeforeTheirValues) {
    SetInputs(ShapeType::Polygon, kPolygonX, Lines({"Y", "<BeginData>", "1", "2", "3", "4", "5"}));
    AddAttribute("A", Lines({"<BeginData>", "1", "2"}));
    EXPECT_EQ(ErrorMessage(), "Y axys file '" + job_.YAxysFile +
                                  "': the file ends at line 8 before all 6 values after its "
                                  "\"<BeginData>\" line were read");
    // What was read before the error stays in the job.
    EXPECT_EQ(job_.XCoords.at(3, 2), 32.0);
    EXPECT_EQ(job_.YCoords.at(3, 1), 5.0);

    SetInputs(ShapeType::Polygon, kPolygonX, kPolygonY);
    AddAttribute("Salinity", Lines({"1", "2"}));
    EXPECT_EQ(ErrorMessage(), "Attribute 'Salinity' file '" + job_.AttribFiles[2] +
                                  "': the file ends at line 3 before all 2 values were read; "
                                  "the file has no \"<BeginData>\" line");
}

TEST_F(ReadInputDataTest, StopsAtAMissingAttributeFileAfterTheEarlierOnes) {
    SetInputs(ShapeType::Polygon, kPolygonX, kPolygonY);
    AddAttribute("A", Lines({"<BeginData>", "1", "2"}));
    AppendAttribute(job_, "B", (dir_.Path() / "missing.dat").string());
    AddAttribute("C", Lines({"<BeginData>", "5", "6"}));
    EXPECT_THAT(ErrorMessage(), HasSubstr("Attribute 'B' file '" + job_.AttribFiles[2] +
                                          "': cannot open the file: No such file or directory"));
    EXPECT_EQ(job_.AttribValues.at(1, 2, 1), 2.0);
    EXPECT_EQ(job_.AttribValues.at(3, 2, 1), 0.0);
}

TEST_F(ReadInputDataTest, ReportsAValueBeyondTheRangeOfADouble) {
    SetInputs(ShapeType::Point, Lines({"SIZE_I: 4", "<BeginData>", "1", "1e999", "3"}),
              Lines({"<BeginData>", "1", "2", "3"}));
    AddAttribute("A", Lines({"<BeginData>", "1", "2", "3"}));
    EXPECT_EQ(ErrorMessage(), "X axys file '" + job_.XAxysFile +
                                  "': the value '1e999' on line 4 lies beyond the range of a "
                                  "double");
}

TEST_F(ReadInputDataTest, ReportsGridSizesThatAreNoNumberOrBelowOne) {
    AddAttribute("A", Lines({"<BeginData>"}));
    SetInputs(ShapeType::Polygon,
              Lines({"grid", "size", "SIZE_I:   abc", "SIZE_J: 2", "<BeginData>"}), "");
    EXPECT_EQ(ErrorMessage(), "X axys file '" + job_.XAxysFile +
                                  "': the \"SIZE_I\" value '   abc' on line 3 is not a number");

    SetInputs(ShapeType::Polygon, Lines({"SIZE_I: 2", "SIZE_J:" + std::string(11, ' ') + "3"}), "");
    EXPECT_THAT(ErrorMessage(),
                HasSubstr("the \"SIZE_J\" value on line 2 is blank: the number must begin "
                          "within the 10 characters after the \":\""));

    SetInputs(ShapeType::Polygon, Lines({"title", "", "SIZE_I: 3"}), "");
    EXPECT_THAT(ErrorMessage(),
                HasSubstr("there is no \"SIZE_I\" line above the first empty line (line 2), and "
                          "the text 'title' taken from line 1 instead is not a number"));

    SetInputs(ShapeType::Point, Lines({"", "SIZE_I: 3"}), "");
    EXPECT_EQ(ErrorMessage(), "X axys file '" + job_.XAxysFile +
                                  "': there is no \"SIZE_I\" line above the first empty line "
                                  "(line 1)");

    SetInputs(ShapeType::Polygon, Lines({"SIZE_I: 3", "SIZE_J: 0", "<BeginData>"}), "");
    EXPECT_EQ(ErrorMessage(), "X axys file '" + job_.XAxysFile +
                                  "': the \"SIZE_J\" value ' 0' on line 2 is less than 1, the "
                                  "smallest grid size");
    SetInputs(ShapeType::Point, Lines({"SIZE_I: -4", "<BeginData>"}), "");
    EXPECT_THAT(ErrorMessage(), HasSubstr("\"SIZE_I\" value ' -4' on line 1 is less than 1"));
}

// Grids hold at most 32767 nodes along each axis and 32767 points.
TEST_F(ReadInputDataTest, RefusesSizesBeyondSixteenBits) {
    AddAttribute("A", Lines({"<BeginData>"}));
    SetInputs(ShapeType::Polygon, "SIZE_I: 32768\nSIZE_J: 1\n<BeginData>\n", "");
    EXPECT_THROW(ReadInputData(job_, AnySizes), OverflowError);
    EXPECT_THAT(ErrorMessage(), HasSubstr("the \"SIZE_I\" value ' 32768' on line 1 is too large"));
    SetInputs(ShapeType::Polygon, "SIZE_I: 1\nSIZE_J: 32768\n<BeginData>\n", "");
    EXPECT_THROW(ReadInputData(job_, AnySizes), OverflowError);
    SetInputs(ShapeType::Polygon, "SIZE_I: 1\nSIZE_J: 1e999\n<BeginData>\n", "");
    EXPECT_THROW(ReadInputData(job_, AnySizes), OverflowError);
    SetInputs(ShapeType::Point, "SIZE_I: 32769\n<BeginData>\n", "");
    EXPECT_THROW(ReadInputData(job_, AnySizes), OverflowError);
    EXPECT_THAT(ErrorMessage(), HasSubstr("' 32769' on line 1 is too large"));
}

TEST_F(ReadInputDataTest, HoldsTheMarkerLineTo32767) {
    SetInputs(ShapeType::Point, Lines({"SIZE_I: 2", "<BeginData>", "1"}),
              Repeated("header", 32766) + "<BeginData>\n4\n");
    AddAttribute("A", Repeated("header", 32767) + "<BeginData>\n5\n");
    EXPECT_THAT(ErrorMessage(), HasSubstr("Attribute 'A' file '" + job_.AttribFiles[1] +
                                          "': its \"<BeginData>\" line is line 32768"));
    EXPECT_EQ(job_.YCoords.at(1, 1), 4.0);
}

// A binary file's bytes are quoted escaped: a NUL would end the message, a control byte garble
// the terminal.
TEST_F(ReadInputDataTest, QuotesControlBytesEscaped) {
    constexpr char kBinaryHeader[] = "SIZE_I : 3\0\x12\nSIZE_J : 2\n<BeginData>\n";
    SetInputs(ShapeType::Polygon, std::string(kBinaryHeader, sizeof kBinaryHeader - 1), "");
    AddAttribute("A", "");
    EXPECT_THAT(ErrorMessage(),
                HasSubstr("the \"SIZE_I\" value ' 3\\x00\\x12' on line 1 is not a number"));
}

// The sizes are offered for refusal before any array is created, so before any value is read.
TEST_F(ReadInputDataTest, SizesAreRefusedBeforeAnyArrayOrValue) {
    SetInputs(ShapeType::Polygon, kPolygonX, kPolygonY);
    AddAttribute("A", Lines({"<BeginData>", "1", "2"}));
    struct Refused {};
    const auto refuse = [](const ConversionJob& job) {
        EXPECT_EQ(job.IMax, 2);
        EXPECT_EQ(job.JMax, 1);
        EXPECT_FALSE(job.XCoords.Exists() || job.YCoords.Exists() || job.AttribValues.Exists());
        throw Refused{};
    };
    EXPECT_THROW(ReadInputData(job_, refuse), Refused);
}

TEST_F(ReadInputDataTest, LeavesNoFileOpen) {
    const long before = test::OpenFileCount();
    SetInputs(ShapeType::Polygon, kPolygonX, kPolygonY);
    AddAttribute("A", Lines({"<BeginData>", "1", "2"}));
    ReadInputData(job_, AnySizes);
    EXPECT_EQ(test::OpenFileCount(), before);

    AddAttribute("B", Lines({"<BeginData>", "1"}));
    EXPECT_THROW(ReadInputData(job_, AnySizes), InputFileError);
    EXPECT_EQ(test::OpenFileCount(), before);
}

}  // namespace
}  // namespace tesselar
