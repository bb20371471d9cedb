#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <sstream>
#include <string>
#include <vector>

#include "conversion/ConversionError.h"
#include "conversion/ConversionJob.h"
#include "readers/ReadFiles.h"
#include "support/OpenFileCount.h"
#include "support/TempDir.h"

namespace tesselar {
namespace {

using ::testing::HasSubstr;

// "a|b|c" as lines, each ended by a line break.
std::string Lines(std::string text) {
    std::ranges::replace(text, '|', '\n');
    return text.empty() ? text : text + "\n";
}

std::string Repeated(const std::string& line, int count) {
    std::string text;
    for (int n = 0; n < count; ++n) {
        text += line + "|";
    }
    return text;
}

void AnySizes(const ConversionJob&) {}

// Input files as lines "a|b|c"; attributes as "Name=lines;Name=lines", "missing" for no file.
struct Case {
    ShapeType type;
    std::string x, y, attributes;
    std::string expected;  // what Read gives: the values read or the error's message
    bool keepDigits = false;
};

// X of node (i, j) is 10 i + j; Y is 100 + i + 10 j plus a part that rounds away.
const std::string kX = "Grid from run 12|SIZE_I : 3|SIZE_J : 2|<BeginData>|11|12|21|22|31|32";
const std::string kY = "Y coordinates|<BeginData>|111.004|121.125|112|122|113.004|123";
const std::string kNodes = "2x1 X 11 12 21 22 31 32 Y 111 121.12 112 122 113 123";
const std::string kOne = "A=<BeginData>|1.5|2.5";

class ReadInputDataTest : public ::testing::Test {
protected:
    void SetInputs(const Case& c) {
        job_.AttribCount = 0;
        job_.ShapeType = c.type;
        job_.XAxysFile = dir_.Write("grid_x.dat", Lines(c.x));
        job_.YAxysFile = dir_.Write("grid_y.dat", Lines(c.y));
        std::istringstream attributes(c.attributes);
        for (std::string attribute; std::getline(attributes, attribute, ';');) {
            const std::size_t equals = attribute.find('=');
            const std::string content = attribute.substr(equals + 1);
            const std::string file = "a" + std::to_string(job_.AttribCount) + ".dat";
            AppendAttribute(
                job_, attribute.substr(0, equals),
                content == "missing" ? dir_ / "missing.dat" : dir_.Write(file, Lines(content)));
        }
    }
    // The sizes, every node's X and Y, every attribute's values, the changed shapes, the zeroed
    // values and the lines without a number; or the message of the error.
    std::string Read(const Case& c) {
        SetInputs(c);
        std::ostringstream out;
        try {
            const ReadSummary summary = ReadInputData(job_, AnySizes, {}, {c.keepDigits});
            out << job_.IMax << "x" << job_.JMax;
            const int columns = job_.XCoords.UpperJ();
            for (const Array2D* nodes : {&job_.XCoords, &job_.YCoords}) {
                out << (nodes == &job_.XCoords ? " X" : " Y");
                for (int n = 0; n < nodes->UpperI() * columns; ++n) {
                    out << " " << nodes->at(n / columns + 1, n % columns + 1);
                }
            }
            for (int k = 1; k <= job_.AttribCount; ++k) {
                out << " " << job_.AttribNames[static_cast<std::size_t>(k)];
                for (int n = 0; n < job_.IMax * job_.JMax; ++n) {
                    out << " " << job_.AttribValues.at(k, n / job_.JMax + 1, n % job_.JMax + 1);
                }
            }
            out << " changed " << summary.changedShapes << " zeroed " << summary.zeroed.count << " "
                << summary.zeroed.first << " no number " << summary.noNumber.count << " "
                << summary.noNumber.first;
        } catch (const ConversionError& error) {
            out << error.what();
        }
        return out.str();
    }

    test::TempDir dir_;
    ConversionJob job_;
};

TEST_F(ReadInputDataTest, ReadsTheFilesIntoTheJobOrSaysWhatIsWrongWithThem) {
    const std::string sizes = "SIZE_I : 3|SIZE_J : 2|<BeginData>|";
    // One cell: its corners (1, 1), (2, 1), (2, 2), (1, 2) are nodes 1, 3, 4, 2 in the files.
    const std::string square = "SIZE_I : 2|SIZE_J : 2|<BeginData>|";
    const std::string nodes = "1|2|3|4|5|6";
    constexpr char kBinary[] = "SIZE_I : 3\0\x12\nSIZE_J : 2\n<BeginData>\n";
    const std::string binary(kBinary, sizeof kBinary - 1);
    const Case cases[] = {
        {ShapeType::Polygon, kX, kY,
         "Depth=<BeginData>|1.5|2.5|ignored;Temp=a|b|c|d|x <BeginData> x|-1|-2",
         kNodes + " Depth 1.5 2.5 Temp -1 -2 changed 0 zeroed 0  no number 0"},
        // 3 x 2 cells, every node and cell its own value: the files run j fastest, i slowest.
        {ShapeType::Polygon,
         "SIZE_I : 4|SIZE_J : 3|<BeginData>|11|12|13|21|22|23|31|32|33|41|42|43",
         "<BeginData>|101|102|103|201|202|203|301|302|303|401|402|403",
         "A=<BeginData>|1.5|2.5|3.5|4.5|5.5|6.5",
         "3x2 X 11 12 13 21 22 23 31 32 33 41 42 43 Y 101 102 103 201 202 203 301 302 303 401 "
         "402 403 A 1.5 2.5 3.5 4.5 5.5 6.5 changed 0"},
        // SIZE_J is not read in point mode.
        {ShapeType::Point, "SIZE_I: 5|<BeginData>|1|2|3|4|5", "<BeginData>|-1|-2|-3|-4",
         "Age=<BeginData>|0.5|1.5|2.5|3.5", "4x1 X 1 2 3 4 Y -1 -2 -3 -4 Age 0.5 1.5 2.5 3.5"},
        // The values follow the first line holding the marker, past empty lines; the keyword
        // lines stand above the first empty line.
        {ShapeType::Polygon, "SIZE_I: 3|SIZE_J: 2||||header||<BeginData>|11|12|21|22|31|32",
         "||y|x <BeginData> x|111|121.12|112|122|113|123|ignored", "A=||t||<BeginData>|1.5|2.5",
         kNodes + " A 1.5 2.5 changed 0"},
        // Nonzero values that the rounding made 0 are counted in every file; the first is named.
        {ShapeType::Polygon, sizes + "1|0.004|3|4|5|6", "<BeginData>|" + nodes,
         "A=<BeginData>|0|1e-9", "zeroed 2 '0.004' on line 5 of X axys file"},
        {ShapeType::Polygon, sizes + nodes, "<BeginData>|1|2|3|4|5|-0.0 0 4",
         "A=<BeginData>|-0.00|0", "zeroed 1 '-0.0 0 4' on line 7 of Y axys file"},
        {ShapeType::Polygon, sizes + nodes, "<BeginData>|" + nodes, "A=<BeginData>|0.005|0.0051",
         "zeroed 1 '0.005' on line 2 of Attribute 'A'"},
        // Lines without a number read as 0 and are counted apart; a number too small for a
        // double is a value that became 0.
        {ShapeType::Polygon, sizes + nodes, "<BeginData>|1|nan|3|-inf|5|6", "A=<BeginData>||1e-400",
         "zeroed 1 '1e-400' on line 3 of Attribute 'A' file '" + dir_ / "a0.dat" +
             "' no number 3 'nan' on line 3 of Y axys file"},
        {ShapeType::Point, "SIZE_I: 3|<BeginData>|1e-400|abc", "<BeginData>|1|&H0",
         "A=<BeginData>|inf|-0.0e-999",
         "X 0 0 Y 1 0 A 0 0 changed 0 zeroed 1 '1e-400' on line 3 of X axys file '" +
             dir_ / "grid_x.dat" + "' no number 2 'abc' on line 4 of X axys file",
         true},
        // Cells whose area rounding would change by more than 1%, or that it would leave
        // without area or with edges that touch or cross, keep every coordinate's digits;
        // coordinates that keep their digits are not 0.
        {ShapeType::Polygon, sizes + "0|0|0.001|0.001|0.002|0.002",
         "<BeginData>|0|0.001|0|0.001|0|0.001", kOne,
         "X 0 0 0.001 0.001 0.002 0.002 Y 0 0.001 0 0.001 0 0.001 A 1.5 2.5 changed 2 zeroed 0"},
        // One cell of four collapses: cell (1, 1) rounds to a point, its neighbours keep area.
        {ShapeType::Polygon, "SIZE_I : 3|SIZE_J : 3|<BeginData>|0|0|0|0.001|0.001|1|2|2|2",
         "<BeginData>|0|0.001|2|0|0.001|2|0|1|2", "A=<BeginData>|1|2|3|4",
         "2x2 X 0 0 0 0.001 0.001 1 2 2 2 Y 0 0.001 2 0 0.001 2 0 1 2 A 1 2 3 4 changed 1"},
        // The last cell alone changes: its last corner rounds 4% of its area away.
        {ShapeType::Polygon, "SIZE_I : 3|SIZE_J : 3|<BeginData>|0|0.1|0.2|0|0.1|0.2|0|0.1|0.204",
         "<BeginData>|0|0|0|0.1|0.1|0.1|0.2|0.2|0.204", "A=<BeginData>|1|2|3|4",
         "2x2 X 0 0.1 0.2 0 0.1 0.2 0 0.1 0.204 Y 0 0 0 0.1 0.1 0.1 0.2 0.2 0.204 A 1 2 3 4 "
         "changed 1"},
        {ShapeType::Polygon, square + "0|0|0.504|0.504", "<BeginData>|0|0.504|0|0.504", kOne,
         "X 0 0 0.504 0.504 Y 0 0.504 0 0.504 A 1.5 changed 1"},
        {ShapeType::Polygon, square + "0|0|1.004|1.004", "<BeginData>|0|1.004|0|1.004", kOne,
         "X 0 0 1 1 Y 0 1 0 1 A 1.5 changed 0"},
        {ShapeType::Polygon, square + "0|0.5|1|1", "<BeginData>|0|0.004|0|1", kOne,
         "X 0 0.5 1 1 Y 0 0.004 0 1 A 1.5 changed 1"},
        {ShapeType::Polygon, square + "0|0.1|1|1", "<BeginData>|0.006|0.0084|0.024|1", kOne,
         "X 0 0.1 1 1 Y 0.006 0.0084 0.024 1 A 1.5 changed 1"},
        {ShapeType::Point, "SIZE_I: 2|<BeginData>|1.015", "<BeginData>|2.125",
         "A=<BeginData>|3.005", "1x1 X 1.015 Y 2.125 A 3.005 changed 0", true},
        // A size comes only from its own keyword line above the first empty and marker lines.
        {ShapeType::Polygon, "SIZE_I: 3||SIZE_J: 2|<BeginData>", kY, kOne,
         "grid_x.dat': there is no \"SIZE_J\" line above the first empty line (line 2)"},
        {ShapeType::Point, "|SIZE_I: 3|<BeginData>", kY, kOne,
         "there is no \"SIZE_I\" line above the first empty line (line 1)"},
        {ShapeType::Polygon, "SIZE_I: 3|<BeginData>|5|120", kY, kOne,
         "there is no \"SIZE_J\" line above the \"<BeginData>\" line (line 2)"},
        {ShapeType::Polygon, "SIZE_I: 3|5|2", kY, kOne,
         "there is no \"SIZE_J\" line in the file, which ends at line 3 without an empty line "
         "or a \"<BeginData>\" line"},
        {ShapeType::Point, "", kY, kOne, "there is no \"SIZE_I\" line: the file is empty"},
        {ShapeType::Polygon, "grid|SIZE_I:   abc|SIZE_J: 2|<BeginData>", "", kOne,
         "grid_x.dat': the \"SIZE_I\" value '   abc' on line 2 is not a number"},
        {ShapeType::Polygon, "SIZE_I: 2|SIZE_J:" + std::string(11, ' ') + "3", "", kOne,
         "the \"SIZE_J\" value on line 2 is blank: the number must begin within the 10 "
         "characters after the \":\""},
        {ShapeType::Polygon, "SIZE_I: 3|SIZE_J: 0|<BeginData>", "", kOne,
         "the \"SIZE_J\" value ' 0' on line 2 is less than 1, the smallest grid size"},
        {ShapeType::Polygon, "SIZE_I: 1|SIZE_J: 32768|<BeginData>", "", kOne,
         "the \"SIZE_J\" value ' 32768' on line 2 is too large"},
        {ShapeType::Point, "SIZE_I: 32769|<BeginData>", "", kOne,
         "' 32769' on line 1 is too large"},
        // Bytes of a binary or 8-bit file are quoted escaped.
        {ShapeType::Polygon, binary, "", kOne,
         "the \"SIZE_I\" value ' 3\\x00\\x12' on line 1 is not a number"},
        {ShapeType::Polygon, "SIZE_I : caf\xE9|SIZE_J : 2|<BeginData>", "", kOne,
         "the \"SIZE_I\" value ' caf\\xE9' on line 1"},
        // Errors in the values.
        {ShapeType::Polygon, kX, "Y|<BeginData>|1|2|3|4|5", kOne,
         "grid_y.dat': the file ends at line 8 before all 6 values after its \"<BeginData>\" "
         "line were read"},
        {ShapeType::Point, "SIZE_I: 4|<BeginData>|1|1e999|3", kY, kOne,
         "grid_x.dat': the value '1e999' on line 4 lies beyond the range of a double"},
        {ShapeType::Polygon, kX, kY, "A=1|2||3",
         "Attribute 'A' file '" + dir_ / "a0.dat" + "': the file has no \"<BeginData>\" line"},
        // Even when no value is needed: one row of nodes has no cell.
        {ShapeType::Polygon, "SIZE_I: 1|SIZE_J: 2|<BeginData>|1|2", "1|2", kOne,
         "grid_y.dat': the file has no \"<BeginData>\" line"},
        {ShapeType::Point, "SIZE_I: 2|<BeginData>|1", Repeated("header", 32766) + "<BeginData>|4",
         "A=" + Repeated("header", 32767) + "<BeginData>|5",
         "a0.dat': its \"<BeginData>\" line is line 32768"},
        {ShapeType::Point, "SIZE_I: 2|<BeginData>|1", Repeated("5", 40000), kOne,
         "grid_y.dat': the file has no \"<BeginData>\" line within its first 32767 lines"},
        {ShapeType::Polygon, kX, kY, kOne + ";B=missing;" + kOne,
         "Attribute 'B' file '" + dir_ / "missing.dat" + "': cannot open the file: No such file"},
        // Names that cannot name a column are refused before any file is read.
        {ShapeType::Polygon, kX, kY, "Good é 水=;Temp\tmax=",
         "Attribute 'Temp\\x09max': the name holds a control character (byte 5, \\x09); a column "
         "name holds no tabs, line breaks or other control characters"},
        {ShapeType::Polygon, kX, kY, "Caf\xE9=",
         "Attribute 'Caf\\xE9': the name is not UTF-8 text (byte 4, \\xE9); the shapefile stores "
         "its column names as UTF-8"},
        {ShapeType::Polygon, kX, kY, "ab\xF4\x90\x80\x80=", "is not UTF-8 text (byte 3"},
        // Invisible characters, also in the last of 4 bytes, and blanks around a name.
        {ShapeType::Polygon, kX, kY, "Good\xC2\xA0Name=;Temp\xE2\x80\xAEpmeT=",
         "Attribute 'Temp\xE2\x80\xAEpmeT': the name holds the invisible character U+202E (byte "
         "5); a column name holds no line breaks, direction marks or other characters that do "
         "not show"},
        {ShapeType::Polygon, kX, kY, "a\xC2\x85=", "invisible character U+0085 (byte 2)"},
        {ShapeType::Polygon, kX, kY, "a\xE2\x80\xA8=", "invisible character U+2028 (byte 2)"},
        {ShapeType::Polygon, kX, kY,
         "tag\xF3\xA0\x80\x81=", "invisible character U+E0001 (byte 4)"},
        {ShapeType::Polygon, kX, kY, " lead=",
         "Attribute ' lead': the name begins with a blank (U+0020); GIS programs disagree on "
         "blanks around a column name, some keep them and some drop them"},
        {ShapeType::Polygon, kX, kY, "lead\xE3\x80\x80=", "the name ends with a blank (U+3000)"},
    };
    for (const Case& c : cases) {
        EXPECT_THAT(Read(c), HasSubstr(c.expected));
    }
}

// The sizes are offered for refusal before any array is created or value read; a stop ends the
// read naming the file; no file stays open.
TEST_F(ReadInputDataTest, SizesComeFirstAndStopsAndErrorsLeaveNoFileOpen) {
    const long openFiles = test::OpenFileCount();
    SetInputs({ShapeType::Polygon, kX, kY, kOne, ""});
    struct Refused {};
    EXPECT_THROW(ReadInputData(job_,
                               [](const ConversionJob& job) {
                                   EXPECT_EQ(job.IMax * 10 + job.JMax, 21);
                                   EXPECT_FALSE(job.XCoords.Exists() || job.AttribValues.Exists());
                                   throw Refused{};
                               },
                               {}),
                 Refused);
    volatile std::sig_atomic_t signal = SIGTERM;
    EXPECT_THAT([&] { ReadInputData(job_, AnySizes, StopRequest(signal)); },
                testing::ThrowsMessage<Interrupted>(
                    "interrupted by SIGTERM while reading X axys file '" + job_.XAxysFile +
                    "' (line 1); no shape file was written"));
    EXPECT_THAT(Read({ShapeType::Polygon, kX, kY, kOne + ";B=<BeginData>|1", ""}),
                HasSubstr("the file ends"));
    EXPECT_EQ(test::OpenFileCount(), openFiles);
}

}  // namespace
}  // namespace tesselar
