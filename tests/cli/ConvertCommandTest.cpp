#include <gtest/gtest.h>

#include <iomanip>
#include <sstream>

#include "cli/ConvertCommand.h"
#include "conversion/Version.h"
#include "support/FaultyFileSystem.h"
#include "support/TempDir.h"
#include "writer/ShapelibReader.h"
#include "writer/WriterFakes.h"

namespace tesselar {
namespace {

using Arguments = std::vector<std::string>;

struct Outcome {
    int exitCode;
    std::string out;
    std::string err;
};

// An input file as the modelling system writes it: a header, the marker line and one value
// per line.
std::string DataFile(const std::string& header, const std::vector<double>& values) {
    std::ostringstream text;
    text << std::fixed << std::setprecision(3) << "Nerasco test data\n"
         << header << "<BeginData>\n";
    for (const double value : values) {
        text << value << '\n';
    }
    text << "<EndData>\n";
    return text.str();
}

// The last line of a terminal's output.
std::string LastLine(const std::string& output) {
    const auto end = output.size() - 1;
    const auto start = output.rfind('\n', end - 1);
    return output.substr(start == std::string::npos ? 0 : start + 1);
}

class ConvertCommandTest : public ::testing::Test {
protected:
    // A grid of 4 x 3 nodes (6 cells) with two attribute files.
    ConvertCommandTest() {
        const std::string gridSize = "SIZE_I : 4\nSIZE_J : 3\n";
        std::vector<double> x;
        std::vector<double> y;
        for (int i = 1; i <= 4; ++i) {
            for (int j = 1; j <= 3; ++j) {
                x.push_back(500000.0 + 100.0 * i + 7.0 * j);
                y.push_back(4600000.0 + 5.0 * i + 100.0 * j);
            }
        }
        dir_.Write("x.dat", DataFile(gridSize, x));
        dir_.Write("y.dat", DataFile(gridSize, y));
        dir_.Write("temp.dat", DataFile("", {15.25, 15.5, 15.75, 16.0, 16.25, 16.5}));
        dir_.Write("flow.dat", DataFile("", {1.5, 12345678.91, 2.5, 3.5, 4.5, 5.5}));
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

TEST_F(ConvertCommandTest, HelpAndVersionGoToStandardOutput) {
    const Outcome help = Run({"--help"});
    EXPECT_EQ(help.exitCode, kExitSuccess);
    EXPECT_EQ(help.out.rfind("Usage: tesselar-convert -x X_FILE -y Y_FILE -a NAME=FILE", 0), 0u);
    EXPECT_NE(help.out.find("--attribute NAME=FILE"), std::string::npos);
    EXPECT_EQ(help.err, "");

    const Outcome version = Run({"--version"});
    EXPECT_EQ(version.exitCode, kExitSuccess);
    EXPECT_EQ(version.out, "tesselar-convert " + std::string(kVersionText) + "\n");
}

TEST_F(ConvertCommandTest, UsageErrorGivesTheReasonAndTheUsageAndConvertsNothing) {
    const auto before = dir_.FileNames();
    const Outcome outcome = Run({"-x", dir_ / "x.dat", "-y", dir_ / "y.dat", "-o", dir_ / "g"});

    EXPECT_EQ(outcome.exitCode, kExitUsage);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err.rfind("tesselar-convert: no attribute", 0), 0u) << outcome.err;
    EXPECT_NE(outcome.err.find("\nUsage: tesselar-convert -x X_FILE"), std::string::npos);
    EXPECT_EQ(dir_.FileNames(), before);
}

TEST_F(ConvertCommandTest, PolygonConversionReportsThePathWritten) {
    const Outcome outcome = Run(Grid("grid"));

    EXPECT_EQ(outcome.exitCode, kExitSuccess) << outcome.err;
    EXPECT_EQ(outcome.out,
              "Polygon Shape File '" + (dir_ / "grid.shp") + "' was created with success\n");
    EXPECT_EQ(outcome.err, "");
}

// Every warning reaches stderr, with -q too: -q silences only the progress and the success line.
TEST_F(ConvertCommandTest, WarningsReachStandardErrorAlsoWhenQuiet) {
    dir_.Write("tiny.dat", "<BeginData>\n0.004\n0\n-0.001\n1\n0.0\n2\n");
    Arguments arguments = Grid("grid.shp", "Temperature_surface", "flow.dat");
    arguments.insert(arguments.end(), {"-a", "Temperatur=" + (dir_ / "tiny.dat")});
    const std::string warnings =
        "tesselar-convert: warning: Attribute 'Temperature_surface' is stored as column "
        "'Temperat_1'\n"
        "tesselar-convert: warning: 2 values other than 0 became 0 when rounded to 2 decimals; "
        "the first is '0.004' on line 2 of Attribute 'Temperatur' file '" +
        (dir_ / "tiny.dat") +
        "'\n"
        "tesselar-convert: warning: 1 value did not fit the 10-character column and was "
        "rounded to fewer digits\n";
    for (const bool quiet : {false, true}) {
        SCOPED_TRACE(quiet ? "-q" : "");
        Arguments run = arguments;
        if (quiet) {
            run.push_back("-q");
        }
        const Outcome outcome = Run(run);
        EXPECT_EQ(outcome.exitCode, kExitSuccess);
        EXPECT_EQ(outcome.out.empty(), quiet);
        EXPECT_EQ(outcome.err, warnings);
    }
    const auto fields = test::ReadWithShapelib(dir_ / "grid.shp").fields;
    ASSERT_EQ(fields.size(), 2u);
    EXPECT_EQ(fields[0].name, "Temperat_1");
    EXPECT_EQ(fields[1].name, "Temperatur");
}

TEST_F(ConvertCommandTest, QuietPrintsNothingButErrorsAndWarnings) {
    Arguments arguments = Grid("grid.shp");
    arguments.push_back("-q");
    const Outcome outcome = Run(arguments, true);

    EXPECT_EQ(outcome.exitCode, kExitSuccess);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(test::ReadWithShapelib(dir_ / "grid.shp").records.size(), 6u);
}

TEST_F(ConvertCommandTest, ShowsProgressOnlyOnATerminal) {
    const Outcome onTerminal = Run(Grid("grid.shp"), true);
    EXPECT_EQ(onTerminal.exitCode, kExitSuccess);
    EXPECT_NE(onTerminal.err.find("\r["), std::string::npos);
    EXPECT_NE(onTerminal.err.find("100%"), std::string::npos);
    EXPECT_NE(onTerminal.err.find("Time remaining: 00:00:00"), std::string::npos);
    EXPECT_EQ(onTerminal.err.back(), '\n');

    EXPECT_EQ(Run(Grid("other.shp")).err, "");
}

TEST_F(ConvertCommandTest, DiskTroubleLeavesAnEarlierShapeFileAsItWas) {
    ASSERT_EQ(Run(Grid("grid.shp")).exitCode, kExitSuccess);
    const auto earlier = dir_.Files();

    files_.FailStep(0, test::Failure::kError);
    const Outcome writeFailed = Run(Grid("grid.shp", "Flow", "flow.dat"), true);
    EXPECT_EQ(writeFailed.exitCode, kExitConversionFailed);
    EXPECT_EQ(LastLine(writeFailed.err).rfind("tesselar-convert: cannot write", 0), 0u)
        << writeFailed.err;
    EXPECT_NE(writeFailed.err.find("No space left on device"), std::string::npos);

    EXPECT_EQ(dir_.Files(), earlier);
}

TEST_F(ConvertCommandTest, RunningOutOfMemoryIsAFailedConversion) {
    files_.FailStep(0, test::Failure::kOutOfMemory);
    const Outcome outcome = Run(Grid("grid.shp"));

    EXPECT_EQ(outcome.exitCode, kExitConversionFailed);
    EXPECT_EQ(outcome.err, "tesselar-convert: not enough memory to convert into '" +
                               (dir_ / "grid.shp") + "'\n");
}

}  // namespace
}  // namespace tesselar
