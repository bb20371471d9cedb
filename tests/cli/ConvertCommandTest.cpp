#include <gtest/gtest.h>

#include <functional>
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

// Help and version on stdout; a wrong command line exits 2 with the reason and the usage on
// stderr, writing nothing.
TEST_F(ConvertCommandTest, HelpVersionAndUsageErrors) {
    const auto before = dir_.FileNames();
    const struct {
        Arguments arguments;
        int exitCode;
        std::string outStart, errStart;
    } cases[] = {
        {{"--help"}, 0, "Usage: tesselar-convert -x X_FILE -y Y_FILE -a NAME=FILE", ""},
        {{"--version"}, 0, "tesselar-convert " + std::string(kVersionText) + "\n", ""},
        {{"-x", dir_ / "x.dat", "-y", dir_ / "y.dat", "-o", dir_ / "g"},
         2,
         "",
         "tesselar-convert: no attribute"},
    };
    for (const auto& c : cases) {
        const Outcome outcome = Run(c.arguments);
        EXPECT_EQ(outcome.exitCode, c.exitCode);
        EXPECT_EQ(outcome.out.rfind(c.outStart, 0), 0u) << outcome.out;
        EXPECT_EQ(outcome.err.rfind(c.errStart, 0), 0u) << outcome.err;
        EXPECT_EQ(outcome.err.find("\nUsage: tesselar-convert -x") != std::string::npos,
                  c.exitCode != 0);
    }
    EXPECT_EQ(dir_.FileNames(), before);
}

// The success line names the path written unless -q; the progress shows on a terminal only.
TEST_F(ConvertCommandTest, SuccessLineAndProgressFollowQuietAndTheTerminal) {
    const std::string created =
        "Polygon Shape File '" + (dir_ / "grid.shp") + "' was created with success\n";
    for (const bool quiet : {false, true}) {
        for (const bool terminal : {false, true}) {
            SCOPED_TRACE(testing::Message() << "quiet " << quiet << ", terminal " << terminal);
            Arguments arguments = Grid("grid");
            if (quiet) {
                arguments.push_back("-q");
            }
            const Outcome outcome = Run(arguments, terminal);
            EXPECT_EQ(outcome.exitCode, kExitSuccess) << outcome.err;
            EXPECT_EQ(outcome.out, quiet ? "" : created);
            const bool progress = terminal && !quiet;
            EXPECT_EQ(outcome.err.find("100%") != std::string::npos, progress) << outcome.err;
            EXPECT_EQ(outcome.err.find("Time remaining: 00:00:00") != std::string::npos, progress);
            EXPECT_EQ(outcome.err.empty(), !progress);
        }
    }
    EXPECT_EQ(test::ReadWithShapelib(dir_ / "grid.shp").records.size(), 6u);
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

// A full disk, a refused rename or too little memory fail the conversion with the reason and
// leave an earlier shape file as it was.
TEST_F(ConvertCommandTest, FailuresLeaveAnEarlierShapeFileAsItWas) {
    ASSERT_EQ(Run(Grid("grid.shp")).exitCode, kExitSuccess);
    const auto earlier = dir_.Files();
    const struct {
        std::function<void()> fault;
        std::string errStart, reason;
    } cases[] = {
        {[this] { files_.FillDiskAfter(100); }, "tesselar-convert: cannot write",
         "No space left on device"},
        {[this] {
             files_.FillDiskAfter(UINT64_MAX);
             files_.FailRenamingTo(dir_ / "grid.shp");
         },
         "tesselar-convert: ", "Permission denied"},
        {[this] { files_.RunOutOfMemory(); },
         "tesselar-convert: not enough memory to convert into '" + (dir_ / "grid.shp") + "'\n", ""},
    };
    for (const auto& c : cases) {
        c.fault();
        const Outcome outcome = Run(Grid("grid.shp", "Flow", "flow.dat"));
        EXPECT_EQ(outcome.exitCode, 1);
        EXPECT_EQ(outcome.err.rfind(c.errStart, 0), 0u) << outcome.err;
        EXPECT_NE(outcome.err.find(c.reason), std::string::npos) << outcome.err;
        EXPECT_EQ(dir_.Files(), earlier);
    }
}

}  // namespace
}  // namespace tesselar
