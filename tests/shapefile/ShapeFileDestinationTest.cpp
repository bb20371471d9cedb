// The destination changes only when the whole shapefile is complete: failures anywhere leave
// the earlier files exactly as they were and no temporary file behind.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <optional>

#include "ShapeFileTestSupport.h"
#include "controls/shapefile/ShapeFieldList.h"
#include "controls/shapefile/ShapeFileError.h"
#include "controls/shapefile/ShapeFiles.h"
#include "support/FaultyFileSystem.h"

namespace tesselar {
namespace {

using testing::AllOf;
using testing::HasSubstr;

using Snapshot = std::map<std::string, std::string>;

const auto kToday = test::NoonOf(std::chrono::year(2024) / 3 / 9);

// `count` unit squares (or points at their corners) with the value of column "Value" rising
// from `first`.
void WriteSquares(ShapeFiles& files, const std::string& path, int count, double first,
                  std::int32_t shapeType = kShapeTypePolygon) {
    files.OpenShapeFile(path, 1, shapeType);
    ShapeField& value = files.FieldList().AddField("Value", kFieldTypeNumeric, 10, 5);
    files.CommitFields();
    for (int i = 0; i < count; ++i) {
        files.VertexList().AddVertex(i, 0, 0);
        if (shapeType == kShapeTypePolygon) {
            files.VertexList().AddVertex(i, 1, 0);
            files.VertexList().AddVertex(i + 1, 1, 0);
            files.VertexList().AddVertex(i + 1, 0, 0);
        }
        value.Value(first + i);
        files.AppendShape();
    }
}

class ShapeFileDestination : public testing::Test {
protected:
    std::string Path(const std::string& name) const { return folder_ / name; }

    // An earlier shapefile with a spatial index, as a GIS leaves it.
    void WriteEarlierShapefile() {
        PosixFileSystem fileSystem;
        ShapeFiles files(fileSystem, kToday);
        WriteSquares(files, Path("lagoon.shp"), 2, 100);
        files.Release();
        folder_.Write("lagoon.qix", "earlier spatial index");
    }

    test::TempDir folder_;
};

TEST_F(ShapeFileDestination, NothingChangesBeforeReleaseNorWhenDestroyedWithoutIt) {
    WriteEarlierShapefile();
    const Snapshot earlier = folder_.Files();
    {
        PosixFileSystem fileSystem;
        ShapeFiles files(fileSystem, kToday);
        WriteSquares(files, Path("lagoon.shp"), 3, 1);

        Snapshot during = folder_.Files();
        const auto temporaries = std::erase_if(
            during, [](const auto& entry) { return entry.first.starts_with(".lagoon."); });
        EXPECT_EQ(temporaries, 4U);
        EXPECT_EQ(during, earlier);
    }
    EXPECT_EQ(folder_.Files(), earlier);
}

TEST_F(ShapeFileDestination, ReleaseReplacesTheShapefileAndDropsItsStaleIndexes) {
    WriteEarlierShapefile();
    folder_.Write("lagoon.sbn", "index");
    folder_.Write("lagoon.sbx", "index");
    folder_.Write("harbour.qix", "another shapefile's index");
    PosixFileSystem fileSystem;
    ShapeFiles files(fileSystem, kToday);
    WriteSquares(files, Path("lagoon.shp"), 3, 1);
    files.Release();

    EXPECT_EQ(folder_.FileNames(), (std::set<std::string>{"harbour.qix", "lagoon.cpg", "lagoon.dbf",
                                                          "lagoon.shp", "lagoon.shx"}));
    EXPECT_EQ(test::UInt32Little(test::ReadBytes(Path("lagoon.dbf")), 4), 3U);
    EXPECT_EQ(test::ReadBytes(Path("lagoon.shx")).size(), 100U + 3 * 8);
}

// A failure injected into the writing of one of the files.
struct Fault {
    const char* name;
    const char* file;
    void (*arm)(test::FaultyFileSystem& fileSystem, const std::string& path);
    int shapes;
    const char* message;  // part of the error's message
};

void PrintTo(const Fault& fault, std::ostream* out) {
    *out << fault.name;
}

class FailureAtDestination : public ShapeFileDestination,
                             public testing::WithParamInterface<Fault> {};

TEST_P(FailureAtDestination, LeavesTheEarlierShapefileByteForByte) {
    WriteEarlierShapefile();
    const Snapshot earlier = folder_.Files();
    test::FaultyFileSystem fileSystem;
    GetParam().arm(fileSystem, Path(GetParam().file));
    std::optional<ShapeFiles> files(std::in_place, fileSystem, kToday);
    try {
        WriteSquares(*files, Path("lagoon.shp"), GetParam().shapes, 1);
        files->Release();
        FAIL() << "the injected failure was not reported";
    } catch (const ShapeFileError& error) {
        EXPECT_THAT(error.what(), HasSubstr(GetParam().message));
    }
    // The temporary files go with the failure, not only with the component.
    EXPECT_EQ(folder_.Files(), earlier);
    files.reset();
    EXPECT_EQ(folder_.Files(), earlier);
}

void FailMovingOnto(test::FaultyFileSystem& fileSystem, const std::string& path) {
    fileSystem.FailRenamingTo(path);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FailureAtDestination,
    testing::Values(
        // 20000 squares need more than two blocks of 1 MiB in the .shp, the other files less
        // than one: the disk fills up as the .shp is written midway.
        Fault{"ShpDiskFullMidway", "lagoon.shp",
              [](test::FaultyFileSystem& fileSystem, const std::string&) {
                  fileSystem.FillDiskAfter((1U << 20) + 100);
              },
              20000, "lagoon.shp': No space left on device"},
        Fault{"ShxCloseFails", "lagoon.shx",
              [](test::FaultyFileSystem& fileSystem, const std::string& path) {
                  fileSystem.FailClosing(path);
              },
              3, "lagoon.shx': Input/output error"},
        Fault{"SettingAsideEarlierDbfFails", "lagoon.dbf",
              [](test::FaultyFileSystem& fileSystem, const std::string& path) {
                  fileSystem.FailRenamingFrom(path);
              },
              3, "Permission denied"},
        Fault{"MovingCpgFails", "lagoon.cpg", FailMovingOnto, 3, "lagoon.cpg"},
        Fault{"MovingDbfFails", "lagoon.dbf", FailMovingOnto, 3, "lagoon.dbf"},
        Fault{"MovingShxFails", "lagoon.shx", FailMovingOnto, 3, "lagoon.shx"},
        Fault{"MovingShpFails", "lagoon.shp", FailMovingOnto, 3, "lagoon.shp"}),
    [](const testing::TestParamInfo<Fault>& param) { return param.param.name; });

// Wherever the disk fills up, inside each file or between them, the failure names the file
// and what the system said, and leaves the earlier shapefile and no temporary file.
TEST_F(ShapeFileDestination, DiskFullAnywhereLeavesTheEarlierShapefile) {
    WriteEarlierShapefile();
    const Snapshot earlier = folder_.Files();
    for (const std::int32_t shapeType : {kShapeTypePolygon, kShapeTypePoint}) {
        SCOPED_TRACE("shape type " + std::to_string(shapeType));
        test::TempDir measured;
        test::FaultyFileSystem roomy;
        ShapeFiles measuring(roomy, kToday);
        WriteSquares(measuring, measured / "lagoon.shp", 30, 1, shapeType);
        measuring.Release();
        const std::uint64_t needed = roomy.UsedBytes();
        ASSERT_GT(needed, 500U);

        // Every byte count up to the first hundred, then every 37th.
        for (std::uint64_t free = 0; free < needed; free += free < 100 ? 1 : 37) {
            SCOPED_TRACE("free bytes: " + std::to_string(free) + " of " + std::to_string(needed));
            test::FaultyFileSystem disk;
            disk.FillDiskAfter(free);
            ShapeFiles files(disk, kToday);
            try {
                WriteSquares(files, Path("lagoon.shp"), 30, 1, shapeType);
                files.Release();
                ADD_FAILURE() << "the shapefile was written on a disk without room for it";
            } catch (const ShapeFileError& error) {
                EXPECT_THAT(error.what(), AllOf(HasSubstr("'" + Path("lagoon.")),
                                                HasSubstr("': No space left on device")));
            }
            EXPECT_EQ(folder_.Files(), earlier);
        }

        // Exactly enough room.
        test::FaultyFileSystem exact;
        exact.FillDiskAfter(needed);
        ShapeFiles files(exact, kToday);
        WriteSquares(files, Path("lagoon.shp"), 30, 1, shapeType);
        files.Release();
        for (const std::string extension : {"shp", "shx", "dbf", "cpg"}) {
            EXPECT_EQ(test::ReadBytes(Path("lagoon." + extension)),
                      test::ReadBytes(measured / ("lagoon." + extension)));
        }
        for (const auto& [name, content] : earlier) {
            folder_.Write(name, content);
        }
    }
}

TEST_F(ShapeFileDestination, FailureWithoutAnEarlierShapefileLeavesNothing) {
    test::FaultyFileSystem fileSystem;
    fileSystem.FailRenamingTo(Path("lagoon.shp"));
    ShapeFiles files(fileSystem, kToday);
    WriteSquares(files, Path("lagoon.shp"), 3, 1);
    EXPECT_THROW(files.Release(), ShapeFileError);
    EXPECT_TRUE(folder_.FileNames().empty());
}

TEST_F(ShapeFileDestination, EarlierFileThatCannotBePutBackIsKeptAndNamed) {
    WriteEarlierShapefile();
    const Snapshot earlier = folder_.Files();
    test::FaultyFileSystem fileSystem;
    // Both moving the new .shp in and moving the earlier one back are refused.
    fileSystem.FailRenamingTo(Path("lagoon.shp"), 2);
    ShapeFiles files(fileSystem, kToday);
    WriteSquares(files, Path("lagoon.shp"), 3, 1);
    std::string message;
    try {
        files.Release();
    } catch (const ShapeFileError& error) {
        message = error.what();
    }
    Snapshot now = folder_.Files();
    const auto kept = std::ranges::find_if(
        now, [](const auto& entry) { return entry.first.starts_with(".lagoon.shp."); });
    ASSERT_NE(kept, now.end());
    EXPECT_THAT(message, HasSubstr("the earlier '" + Path("lagoon.shp") + "' is kept as '" +
                                   Path(kept->first) + "'"));
    EXPECT_EQ(kept->second, earlier.at("lagoon.shp"));
    now.erase(kept);
    Snapshot earlierOthers = earlier;
    earlierOthers.erase("lagoon.shp");
    EXPECT_EQ(now, earlierOthers);
}

TEST_F(ShapeFileDestination, MissingFolderIsNamedAtOpen) {
    PosixFileSystem fileSystem;
    ShapeFiles files(fileSystem, kToday);
    try {
        files.OpenShapeFile(Path("missing/lagoon.shp"), 1, kShapeTypePolygon);
        FAIL() << "a missing folder was not reported";
    } catch (const ShapeFileError& error) {
        EXPECT_EQ(std::string(error.what()), "cannot create a file in the folder '" +
                                                 Path("missing") + "': No such file or directory");
    }
}

TEST_F(ShapeFileDestination, NewFilesGetTheUsersUsualPermissions) {
    const mode_t previous = ::umask(027);
    {
        PosixFileSystem fileSystem;
        ShapeFiles files(fileSystem, kToday);
        WriteSquares(files, Path("lagoon.shp"), 1, 1);
        files.Release();
    }
    ::umask(previous);
    for (const char* name : {"lagoon.shp", "lagoon.shx", "lagoon.dbf", "lagoon.cpg"}) {
        struct stat status {};
        ASSERT_EQ(::stat(Path(name).c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 0777U, 0640U) << name;
    }
}

// Keeps nothing, counts the bytes each file would hold.
class CountingFileSystem final : public OutputFileSystem {
public:
    std::map<std::string, std::uint64_t> sizes;

    std::unique_ptr<OutputFile> CreateTemporary(const std::string& destination,
                                                std::string& temporaryPath) override {
        temporaryPath = destination + ".new";
        return std::make_unique<CountingFile>(sizes[destination]);
    }
    void Rename(const std::string&, const std::string&) override {}
    void Remove(const std::string&) noexcept override {}
    bool Exists(const std::string&) override { return false; }

private:
    class CountingFile final : public OutputFile {
    public:
        explicit CountingFile(std::uint64_t& size) : size_(size) {}
        void Write(const void*, std::size_t size) override { size_ += size; }
        void WriteAt(std::uint64_t offset, const void*, std::size_t size) override {
            size_ = std::max<std::uint64_t>(size_, offset + size);
        }
        void Close() override {}

    private:
        std::uint64_t& size_;
    };
};

TEST(ShapeFileCapacity, RecordThatWouldPassTheSizeLimitIsRefusedAndTheFileStaysComplete) {
    // The widest table dBASE can describe: 2046 columns of 19 characters.
    constexpr int kColumns = 2046;
    constexpr std::uint64_t kHeaderBytes = 32 + 32 * kColumns + 1;
    constexpr std::uint64_t kRecordBytes = 1 + 19 * kColumns;
    constexpr std::uint64_t kLimit = 2'147'483'647;
    constexpr std::uint64_t kRecordsThatFit = (kLimit - kHeaderBytes - 1) / kRecordBytes;

    CountingFileSystem fileSystem;
    ShapeFiles files(fileSystem, kToday);
    files.OpenShapeFile("out/lagoon.shp", 1, kShapeTypePoint);
    for (int i = 0; i < kColumns; ++i) {
        files.FieldList().AddField("C" + std::to_string(i), kFieldTypeNumeric, 19, 0);
    }
    EXPECT_THAT([&] { files.FieldList().AddField("One more", kFieldTypeNumeric, 19, 0); },
                testing::Throws<ShapeFileError>());
    files.CommitFields();
    for (std::uint64_t i = 0; i < kRecordsThatFit; ++i) {
        files.VertexList().AddVertex(1, 1, 0);
        files.AppendShape();
    }
    files.VertexList().AddVertex(1, 1, 0);
    EXPECT_THAT([&] { files.AppendShape(); },
                testing::ThrowsMessage<ShapeFileError>(
                    AllOf(HasSubstr("shape " + std::to_string(kRecordsThatFit + 1)),
                          HasSubstr("'out/lagoon.dbf' would be larger than 2147483647 bytes"))));
    files.Release();
    EXPECT_EQ(fileSystem.sizes.at("out/lagoon.dbf"),
              kHeaderBytes + kRecordsThatFit * kRecordBytes + 1);
}

}  // namespace
}  // namespace tesselar
