// The destination changes only when the whole shapefile is complete, and then every file of the
// earlier shapefile goes: failures, interruptions and a killed process anywhere leave the earlier
// files exactly as they were (or, killed while they are replaced, no .shp) and nothing else.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <map>
#include <optional>

#include "ShapeFileTestSupport.h"
#include "controls/shapefile/ShapeFieldList.h"
#include "controls/shapefile/ShapeFileError.h"
#include "controls/shapefile/ShapeFiles.h"
#include "support/FaultyFileSystem.h"
#include "support/OpenFileCount.h"

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

    // An earlier shapefile with its projection and a spatial index, as a GIS leaves it.
    void WriteEarlierShapefile() {
        PosixFileSystem fileSystem;
        ShapeFiles files(fileSystem, kToday);
        files.SetProjection("earlier projection");
        WriteSquares(files, Path("lagoon.shp"), 2, 100);
        files.Release();
        folder_.Write("lagoon.qix", "earlier spatial index");
    }

    test::TempDir folder_;
};

TEST_F(ShapeFileDestination, NothingAppearsBeforeReleaseNorWhenDestroyedWithoutIt) {
    WriteEarlierShapefile();
    const Snapshot earlier = folder_.Files();
    {
        PosixFileSystem fileSystem;
        ShapeFiles files(fileSystem, kToday);
        WriteSquares(files, Path("lagoon.shp"), 3, 1);
        EXPECT_EQ(folder_.Files(), earlier);
    }
    EXPECT_EQ(folder_.Files(), earlier);
}

// A shapefile written where files of an earlier one stand, in any case, beside others.
struct Replacement {
    const char* name;
    const char* path;        // the .shp path asked for
    const char* projection;  // empty for none
    const char* shpName;     // the .shp written
    const char* prjName;     // the .prj written, empty for none
    std::set<std::string> written;
};

void PrintTo(const Replacement& replacement, std::ostream* out) {
    *out << replacement.name;
}

class ReplacingShapefile : public ShapeFileDestination,
                           public testing::WithParamInterface<Replacement> {};

TEST_P(ReplacingShapefile, RemovesEveryFileOfTheEarlierOneInAnyCase) {
    const Replacement& replacement = GetParam();
    for (const char* name :
         {"lagoon.shp", "lagoon.shx", "lagoon.dbf", "lagoon.prj", "lagoon.qix", "lagoon.sbn",
          "lagoon.sbx", "lagoon.shp.xml", "LAGOON.SHP", "LAGOON.SHX", "LAGOON.DBF", "Lagoon.Cpg",
          "lagoon.SBN", "harbour.qix", "lagoon.txt", "lagoon2.shp", "lagoon.shp.bak"}) {
        folder_.Write(name, std::string("earlier ") + name);
    }
    PosixFileSystem fileSystem;
    ShapeFiles files(fileSystem, kToday);
    files.SetProjection(replacement.projection);
    WriteSquares(files, Path(replacement.path), 3, 1);
    files.Release();

    std::set<std::string> expected = {"harbour.qix", "lagoon.txt", "lagoon2.shp", "lagoon.shp.bak"};
    expected.insert(replacement.written.begin(), replacement.written.end());
    EXPECT_EQ(folder_.FileNames(), expected);
    EXPECT_EQ(files.ShpPath(), Path(replacement.shpName));
    EXPECT_EQ(test::ReadBytes(Path(replacement.shpName)).size(), 100U + 3 * 136);
    if (*replacement.prjName != '\0') {
        EXPECT_EQ(test::ReadBytes(Path(replacement.prjName)), replacement.projection);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Names, ReplacingShapefile,
    testing::Values(
        Replacement{"LowerCase",
                    "lagoon.shp",
                    "",
                    "lagoon.shp",
                    "",
                    {"lagoon.cpg", "lagoon.dbf", "lagoon.shx", "lagoon.shp"}},
        Replacement{"UpperCase",
                    "LAGOON.SHP",
                    "",
                    "LAGOON.SHP",
                    "",
                    {"LAGOON.CPG", "LAGOON.DBF", "LAGOON.SHX", "LAGOON.SHP"}},
        Replacement{"MixedCaseIsWrittenLower",
                    "Lagoon.Shp",
                    "",
                    "Lagoon.shp",
                    "",
                    {"Lagoon.cpg", "Lagoon.dbf", "Lagoon.shx", "Lagoon.shp"}},
        Replacement{"WithProjection",
                    "lagoon.shp",
                    "GEOGCS[\"WGS 84\"]",
                    "lagoon.shp",
                    "lagoon.prj",
                    {"lagoon.cpg", "lagoon.dbf", "lagoon.prj", "lagoon.shx", "lagoon.shp"}},
        Replacement{"UpperCaseWithProjection",
                    "LAGOON.SHP",
                    "PROJCS[]",
                    "LAGOON.SHP",
                    "LAGOON.PRJ",
                    {"LAGOON.CPG", "LAGOON.DBF", "LAGOON.PRJ", "LAGOON.SHX", "LAGOON.SHP"}}),
    [](const testing::TestParamInfo<Replacement>& param) { return param.param.name; });

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
    const long openFiles = test::OpenFileCount();
    std::optional<ShapeFiles> files(std::in_place, fileSystem, kToday);
    try {
        WriteSquares(*files, Path("lagoon.shp"), GetParam().shapes, 1);
        files->Release();
        FAIL() << "the injected failure was not reported";
    } catch (const ShapeFileError& error) {
        EXPECT_THAT(error.what(), HasSubstr(GetParam().message));
    }
    // The temporary files go with the failure, not only with the component: named or nameless,
    // none is left open.
    EXPECT_EQ(test::OpenFileCount(), openFiles);
    EXPECT_EQ(folder_.Files(), earlier);
    files.reset();
    EXPECT_EQ(folder_.Files(), earlier);
}

void FailMovingOnto(test::FaultyFileSystem& fileSystem, const std::string& path) {
    fileSystem.FailRenamingTo(path);
}

void FailMovingAway(test::FaultyFileSystem& fileSystem, const std::string& path) {
    fileSystem.FailRenamingFrom(path);
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
        Fault{"SettingAsideEarlierDbfFails", "lagoon.dbf", FailMovingAway, 3, "Permission denied"},
        Fault{"SettingAsideEarlierPrjFails", "lagoon.prj", FailMovingAway, 3, "Permission denied"},
        Fault{"SettingAsideEarlierIndexFails", "lagoon.qix", FailMovingAway, 3,
              "Permission denied"},
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
    const auto kept = std::ranges::find_if(now, [](const auto& entry) {
        return entry.first.starts_with(".tesselar-") && entry.first.ends_with(".shp");
    });
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

// Anything unwinding through the replacement (a signal turned into an exception), at any of its
// changes to the folder, leaves the earlier shapefile as it was.
TEST_F(ShapeFileDestination, InterruptionAnywhereInTheReplacementLeavesTheEarlierShapefile) {
    WriteEarlierShapefile();
    const Snapshot earlier = folder_.Files();
    for (int changes = 0;; ++changes) {
        SCOPED_TRACE("interrupted after " + std::to_string(changes) + " changes");
        test::FaultyFileSystem fileSystem;
        fileSystem.InterruptAfterChanges(changes);
        ShapeFiles files(fileSystem, kToday);
        WriteSquares(files, Path("lagoon.shp"), 3, 1);
        try {
            files.Release();
        } catch (const test::Interruption&) {
            EXPECT_EQ(folder_.Files(), earlier);
            continue;
        }
        // Six earlier files set aside, four new ones placed.
        EXPECT_EQ(changes, 10);
        EXPECT_EQ(folder_.FileNames(),
                  (std::set<std::string>{"lagoon.cpg", "lagoon.dbf", "lagoon.shp", "lagoon.shx"}));
        break;
    }
}

// Writes the new shapefile of the kill test: three squares and a projection.
void WriteNewShapefile(OutputFileSystem& fileSystem, const std::string& path) {
    ShapeFiles files(fileSystem, kToday);
    files.SetProjection("new projection");
    WriteSquares(files, path, 3, 1);
    files.Release();
}

// A process killed at any point of the replacement leaves the earlier shapefile, the new one or
// no .shp (never a .shp with another shapefile's companions); the next conversion to the
// destination removes what it left.
TEST_F(ShapeFileDestination, KillAnywhereInTheReplacementLeavesNoMixAndTheNextRunCleansUp) {
    test::TempDir elsewhere;
    PosixFileSystem fileSystem;
    WriteNewShapefile(fileSystem, elsewhere / "lagoon.shp");
    const Snapshot replacement = elsewhere.Files();
    WriteEarlierShapefile();
    const Snapshot earlier = folder_.Files();

    for (int changes = 0;; ++changes) {
        SCOPED_TRACE("killed after " + std::to_string(changes) + " changes");
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            test::FaultyFileSystem dying;
            dying.EndProcessAfterChanges(changes);
            try {
                WriteNewShapefile(dying, Path("lagoon.shp"));
            } catch (...) {
                ::_exit(2);
            }
            ::_exit(3);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        ASSERT_NE(WEXITSTATUS(status), 2);

        Snapshot visible = folder_.Files();
        std::erase_if(visible, [&](const auto& entry) {
            const bool setAside = entry.first.starts_with(".tesselar-");
            if (setAside) {
                EXPECT_THAT(earlier, testing::Contains(testing::Pair(testing::_, entry.second)))
                    << entry.first << " is no earlier file";
            }
            return setAside;
        });
        if (visible.contains("lagoon.shp")) {
            EXPECT_TRUE(visible == earlier || visible == replacement);
        }
        for (const auto& [name, content] : visible) {
            EXPECT_TRUE((earlier.contains(name) && earlier.at(name) == content) ||
                        (replacement.contains(name) && replacement.at(name) == content))
                << name;
        }

        WriteNewShapefile(fileSystem, Path("lagoon.shp"));
        EXPECT_EQ(folder_.Files(), replacement);
        if (WEXITSTATUS(status) == 3) {
            break;
        }
        for (const std::string& name : folder_.FileNames()) {
            fileSystem.Remove(Path(name));
        }
        for (const auto& [name, content] : earlier) {
            folder_.Write(name, content);
        }
    }
}

// New files get the permissions and ACL a file any program creates there gets (as touch does):
// nameless ones and, where the file system cannot make those, named temporary ones, whatever
// the length of the name.
TEST(NewFile, HasTheUsualPermissionsAndAnyNameLength) {
    const mode_t previousMask = ::umask(027);
    for (const bool defaultAcl : {false, true}) {
        test::TempDir folder;
        if (defaultAcl && std::system(("setfacl -d -m u::rwx,g::rwx,o::rx '" +
                                       folder.Path().string() + "' 2>/dev/null")
                                          .c_str()) != 0) {
            std::cout << "no default ACL here: checked only under the umask\n";
            continue;
        }
        const std::string touched = folder.Write("touched", "");
        struct stat expected {};
        ASSERT_EQ(::stat(touched.c_str(), &expected), 0);
        PosixFileSystem fileSystem;
        for (const bool named : {false, true}) {
            for (const std::string& name :
                 {std::string("lagoon.shp"), std::string(251, 'n') + ".shp"}) {
                SCOPED_TRACE(std::string(defaultAcl ? "default ACL, " : "umask, ") +
                             (named ? "named, " : "nameless, ") + std::to_string(name.size()));
                const std::string path = folder / name;
                const auto create = [&] {
                    return named ? CreateNamedTemporary(path) : fileSystem.CreateFile(path);
                };
                create()->Write("dropped", 7);
                EXPECT_EQ(folder.FileNames(), std::set<std::string>{"touched"});
                const auto file = create();
                file->Write("data", 4);
                file->Close();
                file->Place(path);
                struct stat status {};
                ASSERT_EQ(::stat(path.c_str(), &status), 0);
                EXPECT_EQ(status.st_mode & 07777U, expected.st_mode & 07777U);
                EXPECT_EQ(test::ReadBytes(path), "data");
                fileSystem.Remove(path);
            }
        }
    }
    ::umask(previousMask);
}

volatile std::sig_atomic_t terminationSeen = 0;

// While a shapefile is being replaced a termination signal waits, so that its handler never
// finds the files half replaced.
TEST(FolderLock, TerminationSignalsWaitUntilItIsReleased) {
    test::TempDir folder;
    const auto previous = std::signal(SIGTERM, [](int) { terminationSeen = 1; });
    PosixFileSystem fileSystem;
    {
        const auto lock = fileSystem.LockFolder(folder.Path().string());
        std::raise(SIGTERM);
        EXPECT_EQ(terminationSeen, 0);
    }
    EXPECT_EQ(terminationSeen, 1);
    std::signal(SIGTERM, previous);
}

// Keeps nothing, counts the bytes each file would hold.
class CountingFileSystem final : public OutputFileSystem {
public:
    std::map<std::string, std::uint64_t> sizes;

    std::unique_ptr<OutputFile> CreateFile(const std::string& destination) override {
        return std::make_unique<CountingFile>(sizes[destination]);
    }
    std::unique_ptr<FolderLock> LockFolder(const std::string&) override {
        return std::make_unique<FolderLock>();
    }
    std::vector<std::string> ListFolder(const std::string&) override { return {}; }
    void Rename(const std::string&, const std::string&) override {}
    void Remove(const std::string&) noexcept override {}

private:
    class CountingFile final : public OutputFile {
    public:
        explicit CountingFile(std::uint64_t& size) : size_(size) {}
        void Write(const void*, std::size_t size) override { size_ += size; }
        void WriteAt(std::uint64_t offset, const void*, std::size_t size) override {
            size_ = std::max<std::uint64_t>(size_, offset + size);
        }
        void Close() override {}
        void Place(const std::string&) override {}

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
