// A disk that fills up while the shape file is written: at every point of the writing, the
// conversion fails with an error naming the file and what the system said, the earlier shapefile
// at the destination stays byte for byte as it was, and no temporary file is left beside it.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "controls/shapefile/OutputFiles.h"
#include "controls/shapefile/ShapeFileError.h"
#include "conversion/Clock.h"
#include "conversion/ConversionError.h"
#include "conversion/ConversionJob.h"
#include "readers/ReadFiles.h"
#include "readers/TempDir.h"
#include "writer/CreateShapeFiles.h"
#include "writer/ProgressDisplay.h"

namespace tesselar {
namespace {

namespace fs = std::filesystem;

constexpr const char* kNoSpace = "No space left on device";

// The operating system's files on a disk with `freeBytes` left: a write that needs more space
// writes what fits and fails as write(2) does on a full disk. Rewriting bytes already written
// (a header completed at the end) takes no new space.
class FillingDisk final : public OutputFileSystem {
public:
    explicit FillingDisk(std::uint64_t freeBytes) : freeBytes_(freeBytes) {}

    std::uint64_t UsedBytes() const { return usedBytes_; }

    std::unique_ptr<OutputFile> CreateTemporary(const std::string& destination,
                                                std::string& temporaryPath) override {
        return std::make_unique<File>(*this, real_.CreateTemporary(destination, temporaryPath),
                                      destination);
    }
    void Rename(const std::string& from, const std::string& to) override { real_.Rename(from, to); }
    void Remove(const std::string& path) noexcept override { real_.Remove(path); }

private:
    class File final : public OutputFile {
    public:
        File(FillingDisk& disk, std::unique_ptr<OutputFile> file, std::string name)
            : disk_(disk), file_(std::move(file)), name_(std::move(name)) {}

        void Write(const void* data, std::size_t size) override { WriteAt(size_, data, size); }

        void WriteAt(std::uint64_t offset, const void* data, std::size_t size) override {
            const std::uint64_t end = offset + size;
            const std::uint64_t growth = end > size_ ? end - size_ : 0;
            const std::uint64_t granted = std::min(growth, disk_.freeBytes_);
            const auto fits = static_cast<std::size_t>(size - (growth - granted));
            if (fits > 0) {
                file_->WriteAt(offset, data, fits);
            }
            size_ = std::max(size_, offset + fits);
            disk_.freeBytes_ -= granted;
            disk_.usedBytes_ += granted;
            if (fits < size) {
                throw ShapeFileError("cannot write '" + name_ + "': " + kNoSpace);
            }
        }

        void Close() override { file_->Close(); }

    private:
        FillingDisk& disk_;
        std::unique_ptr<OutputFile> file_;
        std::string name_;
        std::uint64_t size_ = 0;
    };

    PosixFileSystem real_;
    std::uint64_t freeBytes_;
    std::uint64_t usedBytes_ = 0;
};

// The same day on every run, so that two shapefiles written alike are alike byte for byte.
class FixedClock final : public Clock {
public:
    std::chrono::steady_clock::time_point Now() const override { return {}; }
    std::chrono::system_clock::time_point CalendarNow() const override {
        return std::chrono::sys_days(std::chrono::year(2024) / 5 / 17);
    }
};

class NoDisplay final : public ProgressDisplay {
public:
    void SetMax(float /*max*/) override {}
    void SetMin(float /*min*/) override {}
    void SetValue(float /*value*/) override {}
    void SetPanelText(int /*panel*/, const std::string& /*text*/) override {}
};

std::string DataFile(const std::string& header, const std::vector<double>& values) {
    std::string text = "Nerasco test file\n" + header + "<BeginData>\n";
    for (const double value : values) {
        text += std::to_string(value) + "\n";
    }
    return text;
}

std::map<std::string, std::string> FolderContents(const fs::path& folder) {
    std::map<std::string, std::string> contents;
    for (const auto& entry : fs::directory_iterator(folder)) {
        std::ifstream in(entry.path(), std::ios::binary);
        contents[entry.path().filename().string()] = {std::istreambuf_iterator<char>(in),
                                                      std::istreambuf_iterator<char>()};
    }
    return contents;
}

// A job read from generated files, and an output folder holding an earlier shapefile.
class DiskFull : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        const bool polygons = std::string(GetParam()) == kPolygonShapeType;
        std::vector<double> x;
        std::vector<double> y;
        for (int i = 0; i < 6; ++i) {
            for (int j = 0; j < 5; ++j) {
                x.push_back(431250.25 + 120 * i + 35 * j);
                y.push_back(4512300.5 - 20 * i + 95 * j);
            }
        }
        const std::string header = polygons ? "SIZE_I : 6\nSIZE_J : 5\n" : "SIZE_I : 31\n";
        const int values = polygons ? 5 * 4 : 30;
        std::vector<double> temperature;
        std::vector<double> salinity;
        for (int n = 0; n < values; ++n) {
            temperature.push_back(12.5 + 0.25 * n);
            salinity.push_back(-0.75 + 1.5 * n);
        }
        job_.ShapeType = GetParam();
        job_.XAxysFile = input_.Write("x.dat", DataFile(header, x));
        job_.YAxysFile = input_.Write("y.dat", DataFile(header, y));
        AppendAttribute(job_, "Temperature", input_.Write("t.dat", DataFile("", temperature)));
        AppendAttribute(job_, "Salinity", input_.Write("s.dat", DataFile("", salinity)));
        ReadInputData(job_);

        out_ = output_.Path() / "out";
        fs::create_directory(out_);
        for (const char* extension : {".shp", ".shx", ".dbf", ".cpg", ".prj"}) {
            output_.Write("out/result" + std::string(extension),
                          std::string("earlier result") + extension);
        }
        earlier_ = FolderContents(out_);
    }

    // Writes the shape file into the output folder, on `disk`.
    void Write(FillingDisk& disk) const {
        NoDisplay display;
        FixedClock clock;
        WriteShapeFileAt((out_ / "result.shp").string(), job_,
                         WriterServices{display, clock, disk});
    }

    test::TempDir input_;
    test::TempDir output_;
    ConversionJob job_;
    fs::path out_;
    std::map<std::string, std::string> earlier_;
};

TEST_P(DiskFull, FailsCleanlyWhereverTheDiskFillsUp) {
    // The bytes the whole shapefile takes, measured on a disk with room to spare.
    FillingDisk roomy(UINT64_MAX);
    Write(roomy);
    const std::uint64_t needed = roomy.UsedBytes();
    ASSERT_GT(needed, 1000U);
    const auto written = FolderContents(out_);
    for (const auto& [name, content] : earlier_) {
        output_.Write("out/" + name, content);
    }

    // Every byte count up to the first hundred, then every 97th: the disk fills up inside each
    // file and between them.
    std::vector<std::uint64_t> freeBytes;
    for (std::uint64_t n = 0; n < needed; n += n < 100 ? 1 : 97) {
        freeBytes.push_back(n);
    }
    freeBytes.push_back(needed - 1);
    for (const std::uint64_t free : freeBytes) {
        SCOPED_TRACE("free bytes: " + std::to_string(free) + " of " + std::to_string(needed));
        FillingDisk disk(free);
        try {
            Write(disk);
            ADD_FAILURE() << "the shapefile was written on a disk without room for it";
        } catch (const ConversionError& error) {
            const std::string message = error.what();
            EXPECT_NE(message.find(kNoSpace), std::string::npos) << message;
            EXPECT_NE(message.find((out_ / "result.").string()), std::string::npos) << message;
        }
        EXPECT_EQ(FolderContents(out_), earlier_);
    }

    FillingDisk exact(needed);
    Write(exact);
    EXPECT_EQ(FolderContents(out_), written);
}

INSTANTIATE_TEST_SUITE_P(ShapeTypes, DiskFull,
                         ::testing::Values(kPolygonShapeType, kPointShapeType),
                         [](const auto& shapeType) { return std::string(shapeType.param); });

}  // namespace
}  // namespace tesselar
