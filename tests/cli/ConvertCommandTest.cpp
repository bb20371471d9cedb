#include <gtest/gtest.h>

#include <sstream>

#include "cli/ConvertCommand.h"
#include "support/FaultyFileSystem.h"
#include "support/TempDir.h"
#include "writer/WriterFakes.h"

namespace tesselar {
namespace {

using Arguments = std::vector<std::string>;

struct Outcome {
    int exitCode;
    std::string out;
    std::string err;
};

class ConvertCommandTest : public ::testing::Test {
protected:
    // A grid of 4 x 3 nodes (6 cells) with two attribute files.
    ConvertCommandTest() {
        std::string x = "Nerasco test data\nSIZE_I : 4\nSIZE_J : 3\n<BeginData>\n";
        std::string y = x;
        for (int n = 0; n < 12; ++n) {
            x += std::to_string(500000 + 100 * (n / 3) + 7 * (n % 3)) + "\n";
            y += std::to_string(4600000 + 5 * (n / 3) + 100 * (n % 3)) + "\n";
        }
        dir_.Write("x.dat", x);
        dir_.Write("y.dat", y);
        dir_.Write("temp.dat", "<BeginData>\n15.25\n15.5\n15.75\n16.0\n16.25\n16.5\n");
        dir_.Write("flow.dat", "<BeginData>\n1.5\n12345678.91\n2.5\n3.5\n4.5\n5.5\n");
    }

    Arguments Grid(const std::string& output, const std::string& name = "Temp",
                   const std::string& file = "temp.dat") {
        return {"-x", dir_ / "x.dat", "-y", dir_ / "y.dat", "-a", name + "=" + (dir_ / file),
                "-o", dir_ / output};
    }

    Outcome Run(const Arguments& arguments, bool terminal = false) {
        std::ostringstream out;
        std::ostringstream err;
        const int code = RunConvertCommand(arguments, {out, err, terminal}, clock_, files_, {});
        return {code, out.str(), err.str()};
    }

    test::TempDir dir_;
    test::SteppingClock clock_{std::chrono::milliseconds(700)};
    test::FaultyFileSystem files_;
};

// The success line names the path written unless -q; the progress shows on a terminal only,
// unless -q; every warning reaches stderr, with -q too.
TEST_F(ConvertCommandTest, QuietSilencesOnlyTheProgressAndTheSuccessLine) {
    dir_.Write("tiny.dat", "<BeginData>\n0.004\n0\n-0.001\n1\n0.0\n2\n");
    const std::string warnings =
        "tesselar-convert: warning: no coordinate system was given, so the shapefile has no .prj: "
        "put one beside the X axys file as '" +
        (dir_ / "x.prj") +
        "' (or, with tesselar-convert, give --crs)\n"
        "tesselar-convert: warning: Attribute 'Temperature_surface' is stored as column "
        "'Temperat_1'\n"
        "tesselar-convert: warning: 2 values other than 0 became 0 when rounded to 2 decimals; "
        "the first is '0.004' on line 2 of Attribute 'Temperatur' file '" +
        (dir_ / "tiny.dat") +
        "'\n"
        "tesselar-convert: warning: 1 value of attribute 'Temperature_surface' did not fit its "
        "10-character column and was rounded to fewer digits: 12345678.91 was written as "
        "12345678.9\n";
    for (const bool quiet : {false, true}) {
        for (const bool terminal : {false, true}) {
            SCOPED_TRACE(testing::Message() << "quiet " << quiet << ", terminal " << terminal);
            Arguments arguments = Grid("grid", "Temperature_surface", "flow.dat");
            arguments.insert(arguments.end(), {"-a", "Temperatur=" + (dir_ / "tiny.dat")});
            if (quiet) {
                arguments.push_back("-q");
            }
            const Outcome outcome = Run(arguments, terminal);
            EXPECT_EQ(outcome.exitCode, kExitSuccess) << outcome.err;
            EXPECT_EQ(outcome.out, quiet ? ""
                                         : "Polygon Shape File '" + (dir_ / "grid.shp") +
                                               "' was created with success\n");
            const bool progress = terminal && !quiet;
            EXPECT_EQ(outcome.err.find("100%") != std::string::npos, progress) << outcome.err;
            EXPECT_EQ(outcome.err.find("Time remaining: 00:00:00") != std::string::npos, progress);
            EXPECT_EQ(outcome.err.substr(outcome.err.size() -
                                         std::min(outcome.err.size(), warnings.size())),
                      warnings);
            EXPECT_EQ(outcome.err.size() == warnings.size(), !progress);
        }
    }
}

// The 2 GB limit is checked from the sizes alone, before any value is read, with fitted columns
// as wide as they can be: 3500 x 3500 cells with 10 attributes make a .dbf of 12250000 records
// of 1 + 10 x 19 bytes. In columns 1 character wide it would be 0.13 GB; the files hold no
// value, so a later check would come only after the reader failed at the missing values.
TEST_F(ConvertCommandTest, FittedColumnsCountAsWideAsTheyCanBeBeforeAnyValueIsRead) {
    dir_.Write("huge.dat", "SIZE_I : 3501\nSIZE_J : 3501\n<BeginData>\n");
    Arguments arguments = {"-x", dir_ / "huge.dat", "-y",           dir_ / "huge.dat",
                           "-o", dir_ / "huge",     "--fit-columns"};
    for (int k = 1; k <= 10; ++k) {
        arguments.insert(arguments.end(),
                         {"-a", "A" + std::to_string(k) + "=" + (dir_ / "huge.dat")});
    }
    const auto before = dir_.Files();
    const Outcome outcome = Run(arguments);
    EXPECT_EQ(outcome.exitCode, kExitConversionFailed);
    const std::int64_t dbfBytes = 32 + 32 * 10 + 1 + std::int64_t{3500 * 3500} * (1 + 10 * 19) + 1;
    EXPECT_EQ(outcome.err, "tesselar-convert: X axys file '" + (dir_ / "huge.dat") +
                               "' (SIZE_I 3501, SIZE_J 3501): the shape file would hold 12250000 "
                               "shapes: its .dbf file would be " +
                               std::to_string(dbfBytes) +
                               " bytes, more than the 2147483647 bytes the shapefile format "
                               "allows\n");
    EXPECT_EQ(dir_.Files(), before);
}

// Too little memory fails the conversion with the reason and leaves an earlier shape file as it
// was; a full disk is tried on the real program.
TEST_F(ConvertCommandTest, TooLittleMemoryLeavesAnEarlierShapeFileAsItWas) {
    ASSERT_EQ(Run(Grid("grid.shp")).exitCode, kExitSuccess);
    const auto earlier = dir_.Files();
    files_.FailStep(0, test::Failure::kOutOfMemory);
    const Outcome outcome = Run(Grid("grid.shp", "Flow", "flow.dat"));
    EXPECT_EQ(outcome.exitCode, kExitConversionFailed);
    const std::string message =
        "tesselar-convert: not enough memory to convert into '" + (dir_ / "grid.shp") + "'\n";
    EXPECT_TRUE(outcome.err.starts_with(message)) << outcome.err;
    EXPECT_EQ(dir_.Files(), earlier);
}

// Paths are quoted as file contents are: control bytes (ESC, a line break) and bytes that are no
// UTF-8 as \xNN, so that a message stays one line and cannot steer the terminal.
TEST_F(ConvertCommandTest, PathsInMessagesShowControlBytesAndNonUtf8AsEscapes) {
    const std::string odd = "a\x1B[2J\xFF\nb";
    const std::string shown = "a\\x1B[2J\\xFF\\x0Ab";
    const Outcome created = Run(Grid(odd));
    EXPECT_EQ(created.out,
              "Polygon Shape File '" + (dir_ / shown) + ".shp' was created with success\n");

    Arguments missing = Grid("grid");
    missing[1] = dir_ / odd;
    EXPECT_EQ(Run(missing).err, "tesselar-convert: X axys file '" + (dir_ / shown) +
                                    "': cannot open the file: No such file or directory\n");

    const Outcome noFolder = Run(Grid(odd + "/grid"));
    EXPECT_EQ(noFolder.exitCode, kExitConversionFailed);
    EXPECT_NE(noFolder.err.find("'" + (dir_ / shown) + "'"), std::string::npos) << noFolder.err;
    EXPECT_EQ(noFolder.err.find(odd), std::string::npos) << noFolder.err;
}

}  // namespace
}  // namespace tesselar
