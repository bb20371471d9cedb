#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <vector>

#include "conversion/ConversionError.h"
#include "conversion/ConversionJob.h"
#include "readers/InputFileError.h"
#include "readers/ReadFiles.h"
#include "support/OpenFileCount.h"
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
            ReadInputData(job_, AnySizes, {});
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
    ReadInputData(job_, AnySizes, {});

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
    ReadInputData(job_, AnySizes, {});

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

// The values follow the first line holding "<BeginData>", however many empty lines stand above
// it; the keyword lines stand above the first empty line.
TEST_F(ReadInputDataTest, FindsTheMarkerLinePastEmptyLines) {
    const struct {
        std::vector<std::string> x, y, attribute;
    } cases[] = {
        {{"SIZE_I: 3", "SIZE_J: 2", "", "<BeginData>"}, {"<BeginData>"}, {"", "<BeginData>"}},
        {{"SIZE_I: 3", "SIZE_J: 2", "", "", "header", "", "<BeginData>"},
         {"", "<BeginData>"},
         {"", "", "t", "", "<BeginData>"}},
        {{"SIZE_J: 2", "SIZE_I: 3", "<BeginData>"},
         {"", "", "y", "x <BeginData> x"},
         {"<BeginData>"}},
    };
    for (const auto& [x, y, attribute] : cases) {
        SetInputs(ShapeType::Polygon, Lines(x) + Lines({"11", "12", "21", "22", "31", "32"}),
                  Lines(y) + Lines({"-11", "-12", "-21", "-22", "-31", "-32", "ignored"}));
        job_.AttribCount = 0;
        AddAttribute("A", Lines(attribute) + Lines({"1.5", "2.5"}));
        ReadInputData(job_, AnySizes, {});
        for (int i = 1; i <= 3; ++i) {
            for (int j = 1; j <= 2; ++j) {
                EXPECT_EQ(job_.XCoords.at(i, j), 10 * i + j) << x.size() << ": " << i << "," << j;
                EXPECT_EQ(job_.YCoords.at(i, j), -10 * i - j) << y.size() << ": " << i << "," << j;
            }
        }
        EXPECT_EQ(job_.AttribValues.at(1, 1, 1), 1.5);
        EXPECT_EQ(job_.AttribValues.at(1, 2, 1), 2.5);
    }
}

// A size comes only from its own keyword line, which stands above the first empty line and the
// "<BeginData>" line; never from another line.
TEST_F(ReadInputDataTest, RefusesASizeKeywordThatIsNotInTheHeader) {
    const struct {
        ShapeType shapeType;
        std::vector<std::string> x;
        std::string message;
    } cases[] = {
        {ShapeType::Polygon,
         {"SIZE_I: 3", "", "SIZE_J: 2", "<BeginData>"},
         "there is no \"SIZE_J\" line above the first empty line (line 2)"},
        {ShapeType::Polygon,
         {"title: 3", "", "SIZE_I: 3", "SIZE_J: 2", "<BeginData>"},
         "there is no \"SIZE_I\" line above the first empty line (line 2)"},
        {ShapeType::Point,
         {"", "SIZE_I: 3", "<BeginData>"},
         "there is no \"SIZE_I\" line above the first empty line (line 1)"},
        {ShapeType::Polygon,
         {"SIZE_I: 3", "<BeginData>", "SIZE_J: 2", "1", "2"},
         "there is no \"SIZE_J\" line above the \"<BeginData>\" line (line 2)"},
        // Without a "SIZE_J" line nor an empty line, its last value line once gave the size.
        {ShapeType::Polygon,
         {"SIZE_I: 3", "<BeginData>", "5", "120"},
         "there is no \"SIZE_J\" line above the \"<BeginData>\" line (line 2)"},
        {ShapeType::Polygon,
         {"SIZE_I: 3", "5", "2"},
         "there is no \"SIZE_J\" line in the file, which ends at line 3 without an empty line "
         "or a \"<BeginData>\" line"},
        {ShapeType::Point, {}, "there is no \"SIZE_I\" line: the file is empty"},
    };
    AddAttribute("A", Lines({"<BeginData>", "1", "2"}));
    for (const auto& [shapeType, x, message] : cases) {
        SetInputs(shapeType, Lines(x), kPolygonY);
        EXPECT_EQ(ErrorMessage(), "X axys file '" + job_.XAxysFile + "': " + message);
    }
}

TEST_F(ReadInputDataTest, RefusesADataFileWithoutMarkerLine) {
    AddAttribute("Salinity", Lines({"1", "2", "", "3"}));
    SetInputs(ShapeType::Polygon, kPolygonX, kPolygonY);
    EXPECT_EQ(ErrorMessage(), "Attribute 'Salinity' file '" + job_.AttribFiles[1] +
                                  "': the file has no \"<BeginData>\" line");
    SetInputs(ShapeType::Polygon, Lines({"SIZE_I: 3", "SIZE_J: 2", "", "11", "12"}), kPolygonY);
    EXPECT_EQ(ErrorMessage(),
              "X axys file '" + job_.XAxysFile + "': the file has no \"<BeginData>\" line");
    // Even when no value is needed: a grid of one row of nodes has no cell.
    SetInputs(ShapeType::Polygon, Lines({"SIZE_I: 1", "SIZE_J: 2", "<BeginData>", "1", "2"}),
              Lines({"1", "2"}));
    EXPECT_EQ(ErrorMessage(),
              "Y axys file '" + job_.YAxysFile + "': the file has no \"<BeginData>\" line");
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
    EXPECT_THROW(ReadInputData(job_, AnySizes, {}), OverflowError);
    EXPECT_THAT(ErrorMessage(), HasSubstr("the \"SIZE_I\" value ' 32768' on line 1 is too large"));
    SetInputs(ShapeType::Polygon, "SIZE_I: 1\nSIZE_J: 32768\n<BeginData>\n", "");
    EXPECT_THROW(ReadInputData(job_, AnySizes, {}), OverflowError);
    SetInputs(ShapeType::Polygon, "SIZE_I: 1\nSIZE_J: 1e999\n<BeginData>\n", "");
    EXPECT_THROW(ReadInputData(job_, AnySizes, {}), OverflowError);
    SetInputs(ShapeType::Point, "SIZE_I: 32769\n<BeginData>\n", "");
    EXPECT_THROW(ReadInputData(job_, AnySizes, {}), OverflowError);
    EXPECT_THAT(ErrorMessage(), HasSubstr("' 32769' on line 1 is too large"));
}

TEST_F(ReadInputDataTest, HoldsTheMarkerLineTo32767) {
    SetInputs(ShapeType::Point, Lines({"SIZE_I: 2", "<BeginData>", "1"}),
              Repeated("header", 32766) + "<BeginData>\n4\n");
    AddAttribute("A", Repeated("header", 32767) + "<BeginData>\n5\n");
    EXPECT_THAT(ErrorMessage(), HasSubstr("Attribute 'A' file '" + job_.AttribFiles[1] +
                                          "': its \"<BeginData>\" line is line 32768"));
    EXPECT_EQ(job_.YCoords.at(1, 1), 4.0);

    // A file without marker is read no further than that.
    SetInputs(ShapeType::Point, Lines({"SIZE_I: 2", "<BeginData>", "1"}), Repeated("5", 40000));
    EXPECT_EQ(ErrorMessage(), "Y axys file '" + job_.YAxysFile +
                                  "': the file has no \"<BeginData>\" line within its first "
                                  "32767 lines");
}

// A binary file's bytes are quoted escaped: a NUL would end the message, a control byte garble
// the terminal.
TEST_F(ReadInputDataTest, QuotesControlBytesEscaped) {
    constexpr char kBinaryHeader[] = "SIZE_I : 3\0\x12\nSIZE_J : 2\n<BeginData>\n";
    SetInputs(ShapeType::Polygon, std::string(kBinaryHeader, sizeof kBinaryHeader - 1), "");
    AddAttribute("A", "");
    EXPECT_THAT(ErrorMessage(),
                HasSubstr("the \"SIZE_I\" value ' 3\\x00\\x12' on line 1 is not a number"));
    // So are bytes that are no UTF-8, as in 8-bit text of another code page.
    SetInputs(ShapeType::Polygon, "SIZE_I : caf\xE9\nSIZE_J : 2\n<BeginData>\n", "");
    EXPECT_THAT(ErrorMessage(), HasSubstr("the \"SIZE_I\" value ' caf\\xE9' on line 1"));
}

// Names that cannot be column names are refused before any file is read (here: none exists).
TEST_F(ReadInputDataTest, RefusesAttributeNamesThatCannotNameAColumn) {
    const struct {
        std::string name;
        std::string message;
    } cases[] = {
        {"Temp\tmax",
         "Attribute 'Temp\\x09max': the name holds a control character (byte 5, "
         "\\x09); a column name holds no tabs, line breaks or other control "
         "characters"},
        {"T\r\n", "Attribute 'T\\x0D\\x0A': the name holds a control character (byte 2"},
        {"\x1B[31mred", "Attribute '\\x1B[31mred': the name holds a control character (byte 1"},
        {"del\x7F", "(byte 4, \\x7F)"},
        {"Caf\xE9",
         "Attribute 'Caf\\xE9': the name is not UTF-8 text (byte 4, \\xE9); the "
         "shapefile stores its column names as UTF-8"},
        {"\xC3(", "the name is not UTF-8 text (byte 1, \\xC3)"},
        {"\xED\xA0\x80", "the name is not UTF-8 text (byte 1"},        // a surrogate
        {"\xC0\xAF", "the name is not UTF-8 text (byte 1"},            // an overlong "/"
        {"ab\xF4\x90\x80\x80", "the name is not UTF-8 text (byte 3"},  // beyond U+10FFFF
    };
    SetInputs(ShapeType::Polygon, "", "");
    job_.XAxysFile = (dir_.Path() / "missing.dat").string();
    for (const auto& [name, message] : cases) {
        job_.AttribCount = 0;
        AppendAttribute(job_, "Good é 水", "a.dat");
        AppendAttribute(job_, name, "b.dat");
        EXPECT_THAT(ErrorMessage(), HasSubstr(message)) << name;
    }
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
    EXPECT_THROW(ReadInputData(job_, refuse, {}), Refused);
}

TEST_F(ReadInputDataTest, LeavesNoFileOpen) {
    const long before = test::OpenFileCount();
    SetInputs(ShapeType::Polygon, kPolygonX, kPolygonY);
    AddAttribute("A", Lines({"<BeginData>", "1", "2"}));
    ReadInputData(job_, AnySizes, {});
    EXPECT_EQ(test::OpenFileCount(), before);

    AddAttribute("B", Lines({"<BeginData>", "1"}));
    EXPECT_THROW(ReadInputData(job_, AnySizes, {}), InputFileError);
    EXPECT_EQ(test::OpenFileCount(), before);
}

// Values other than 0 that the rounding makes 0 are counted in every file, coordinates too;
// the first is named by its text, line and file. 0 as written, a line without a number and
// values that round to a hundredth are not counted.
TEST_F(ReadInputDataTest, CountsValuesTheRoundingMadeZero) {
    struct Case {
        std::vector<std::string> x, y, attribute;
        std::int64_t count;
        std::string first;
    };
    const std::string header = "SIZE_I : 3\nSIZE_J : 2\n<BeginData>\n";
    const std::vector<std::string> plainNodes = {"1", "2", "3", "4", "5", "6"};
    const std::vector<Case> cases = {
        {plainNodes, plainNodes, {"0", "0.0"}, 0, ""},
        {plainNodes, plainNodes, {"-0.00", "abc"}, 0, ""},
        {plainNodes, plainNodes, {"0.005", "0.0051"}, 1, "'0.005' on line 2 of Attribute 'A'"},
        {{"1", "0.004", "3", "4", "5", "6"},
         plainNodes,
         {"1", "1e-9"},
         2,
         "'0.004' on line 5 of X axys file"},
        {plainNodes,
         {"1", "2", "3", "4", "5", "-0.0 0 4"},
         {"1", "2"},
         1,
         "'-0.0 0 4' on line 7 of Y axys file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.first);
        job_.AttribCount = 0;
        SetInputs(ShapeType::Polygon, header + Lines(c.x), "<BeginData>\n" + Lines(c.y));
        AddAttribute("A", "<BeginData>\n" + Lines(c.attribute));
        const ZeroedValues zeroed = ReadInputData(job_, AnySizes, {}).zeroed;
        EXPECT_EQ(zeroed.count, c.count);
        EXPECT_EQ(zeroed.first.rfind(c.first, 0), 0u) << zeroed.first;
    }
}

// A stop requested before or while reading ends the read with Interrupted, naming the file.
TEST_F(ReadInputDataTest, StopsWhenASignalAsks) {
    SetInputs(ShapeType::Polygon, kPolygonX, kPolygonY);
    AddAttribute("Depth", Lines({"<BeginData>", "1.5", "2.5"}));
    volatile std::sig_atomic_t signal = SIGTERM;
    try {
        ReadInputData(job_, AnySizes, StopRequest(signal));
        ADD_FAILURE() << "no stop";
    } catch (const Interrupted& interruption) {
        EXPECT_EQ(interruption.Signal(), SIGTERM);
        EXPECT_EQ(std::string(interruption.what()),
                  "interrupted by SIGTERM while reading X axys file '" + job_.XAxysFile +
                      "' (line 1); no shape file was written");
    }
}

}  // namespace
}  // namespace tesselar
