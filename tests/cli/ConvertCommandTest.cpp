#include <gtest/gtest.h>

#include <iomanip>
#include <new>
#include <sstream>

#include "cli/ConvertCommand.h"
#include "controls/shapefile/ShapeFileError.h"
#include "writer/ShapelibReader.h"
#include "writer/TempDir.h"
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
void WriteDataFile(const std::string& path, const std::string& header,
                   const std::vector<double>& values) {
    std::ostringstream text;
    text << std::fixed << std::setprecision(3) << "Nerasco test data\n"
         << header << "<BeginData>\n";
    for (const double value : values) {
        text << value << '\n';
    }
    text << "<EndData>\n";
    test::WriteText(path, text.str());
}

// The last line of a terminal's output.
std::string LastLine(const std::string& output) {
    const auto end = output.size() - 1;
    const auto start = output.rfind('\n', end - 1);
    return output.substr(start == std::string::npos ? 0 : start + 1);
}

// Disk trouble: the n-th write of any file (counting from 0) fails, or every rename does; or
// memory runs out as the files are created.
class TroubledFileSystem final : public OutputFileSystem {
public:
    int failingWrite = -1;
    bool failRename = false;
    bool outOfMemory = false;

    std::unique_ptr<OutputFile> CreateTemporary(const std::string& destination,
                                                std::string& temporaryPath) override {
        if (outOfMemory) {
            throw std::bad_alloc();
        }
        return std::make_unique<File>(*this, posix_.CreateTemporary(destination, temporaryPath),
                                      temporaryPath);
    }
    void Rename(const std::string& from, const std::string& to) override {
        if (failRename) {
            throw ShapeFileError("cannot move '" + from + "' to '" + to + "': Input/output error");
        }
        posix_.Rename(from, to);
    }
    void Remove(const std::string& path) noexcept override { posix_.Remove(path); }

private:
    class File final : public OutputFile {
    public:
        File(TroubledFileSystem& owner, std::unique_ptr<OutputFile> file, std::string path)
            : owner_(owner), file_(std::move(file)), path_(std::move(path)) {}
        void Write(const void* data, std::size_t size) override {
            Count();
            file_->Write(data, size);
        }
        void WriteAt(std::uint64_t offset, const void* data, std::size_t size) override {
            Count();
            file_->WriteAt(offset, data, size);
        }
        void Close() override { file_->Close(); }

    private:
        void Count() {
            if (owner_.failingWrite-- == 0) {
                throw ShapeFileError("cannot write '" + path_ + "': No space left on device");
            }
        }
        TroubledFileSystem& owner_;
        std::unique_ptr<OutputFile> file_;
        std::string path_;
    };

    PosixFileSystem posix_;
};

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
        WriteDataFile(dir_ / "x.dat", gridSize, x);
        WriteDataFile(dir_ / "y.dat", gridSize, y);
        WriteDataFile(dir_ / "temp.dat", "", {15.25, 15.5, 15.75, 16.0, 16.25, 16.5});
        WriteDataFile(dir_ / "flow.dat", "", {1.5, 12345678.91, 2.5, 3.5, 4.5, 5.5});
    }

    Arguments Grid(const std::string& output, const std::string& name = "Temp",
                   const std::string& file = "temp.dat") {
        return {"-x", dir_ / "x.dat", "-y", dir_ / "y.dat", "-a", name + "=" + (dir_ / file),
                "-o", dir_ / output};
    }

    Outcome Run(const Arguments& arguments, bool terminal = false) {
        std::ostringstream out;
        std::ostringstream err;
        const int code = RunConvertCommand(arguments, {out, err, terminal}, clock_, files_);
        return {code, out.str(), err.str()};
    }

    test::TempDir dir_;
    test::SteppingClock clock_{std::chrono::milliseconds(700)};
    TroubledFileSystem files_;
};

TEST_F(ConvertCommandTest, HelpAndVersionGoToStandardOutput) {
    const Outcome help = Run({"--help"});
    EXPECT_EQ(help.exitCode, kExitSuccess);
    EXPECT_EQ(help.out.rfind("Usage: tesselar-convert -x X_FILE -y Y_FILE -a NAME=FILE", 0), 0u);
    EXPECT_NE(help.out.find("--attribute NAME=FILE"), std::string::npos);
    EXPECT_EQ(help.err, "");

    const Outcome version = Run({"--version"});
    EXPECT_EQ(version.exitCode, kExitSuccess);
    EXPECT_EQ(version.out, "tesselar-convert 1.1.0\n");
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
    const auto contents = test::ReadWithShapelib(dir_ / "grid.shp");
    EXPECT_EQ(contents.records.size(), 6u);
    ASSERT_EQ(contents.fields.size(), 1u);
    EXPECT_EQ(contents.fields[0].name, "Temp");
    EXPECT_DOUBLE_EQ(contents.values[5][0], 16.5);
}

TEST_F(ConvertCommandTest, WarnsAboutValuesRoundedToFewerDigits) {
    const Outcome outcome = Run(Grid("grid.shp", "Flow", "flow.dat"));

    EXPECT_EQ(outcome.exitCode, kExitSuccess);
    EXPECT_EQ(outcome.err,
              "tesselar-convert: warning: 1 value did not fit the 10-character column and was "
              "rounded to fewer digits\n");
}

TEST_F(ConvertCommandTest, QuietPrintsNothingButErrors) {
    Arguments arguments = Grid("grid.shp", "Flow", "flow.dat");
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
    const auto files = dir_.FileNames();
    const std::string earlierShp = test::ReadBytes(dir_ / "grid.shp");
    const std::string earlierDbf = test::ReadBytes(dir_ / "grid.dbf");

    files_.failingWrite = 1;
    const Outcome writeFailed = Run(Grid("grid.shp", "Flow", "flow.dat"), true);
    EXPECT_EQ(writeFailed.exitCode, kExitConversionFailed);
    EXPECT_EQ(LastLine(writeFailed.err).rfind("tesselar-convert: cannot write", 0), 0u)
        << writeFailed.err;
    EXPECT_NE(writeFailed.err.find("No space left on device"), std::string::npos);

    files_.failingWrite = -1;
    files_.failRename = true;
    const Outcome renameFailed = Run(Grid("grid.shp", "Flow", "flow.dat"));
    EXPECT_EQ(renameFailed.exitCode, kExitConversionFailed);
    EXPECT_NE(renameFailed.err.find("Input/output error"), std::string::npos);

    EXPECT_EQ(dir_.FileNames(), files);
    EXPECT_EQ(test::ReadBytes(dir_ / "grid.shp"), earlierShp);
    EXPECT_EQ(test::ReadBytes(dir_ / "grid.dbf"), earlierDbf);
}

TEST_F(ConvertCommandTest, RunningOutOfMemoryIsAFailedConversion) {
    files_.outOfMemory = true;
    const Outcome outcome = Run(Grid("grid.shp"));

    EXPECT_EQ(outcome.exitCode, kExitConversionFailed);
    EXPECT_EQ(outcome.err, "tesselar-convert: not enough memory to convert into '" +
                               (dir_ / "grid.shp") + "'\n");
}

}  // namespace
}  // namespace tesselar
