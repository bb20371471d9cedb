// The destination changes only when the whole shapefile is complete, and then every file of the
// earlier shapefile goes: a failure, an interruption or the end of the process at any step
// leaves the earlier files as they were (or, ended while they are replaced, no mix of the two
// shapefiles), no file open and no other name; the next conversion cleans up.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>

#include "ShapeFileTestSupport.h"
#include "controls/shapefile/ShapeFieldList.h"
#include "controls/shapefile/ShapeFileError.h"
#include "controls/shapefile/ShapeFiles.h"
#include "conversion/StopSignals.h"
#include "support/FaultyFileSystem.h"
#include "support/OpenFileCount.h"

namespace tesselar {
namespace {

using testing::HasSubstr;
using Snapshot = std::map<std::string, std::string>;
using test::Failure;

const auto kToday = test::NoonOf(std::chrono::year(2024) / 3 / 9);

// Three unit squares with a column "Value", and the projection when there is one.
void WriteSquares(ShapeFiles& files, const std::string& path, const std::string& projection) {
    files.SetProjection(projection);
    files.OpenShapeFile(path, 1, kShapeTypePolygon);
    ShapeField& value = files.FieldList().AddField("Value", kFieldTypeNumeric, 10, 5);
    files.CommitFields();
    for (int i = 0; i < 3; ++i) {
        for (const auto& [x, y] : {std::pair{i, 0}, {i, 1}, {i + 1, 1}, {i + 1, 0}}) {
            files.VertexList().AddVertex(x, y, 0);
        }
        value.Value(i);
        files.AppendShape();
    }
    files.Release();
}

void Restore(const test::TempDir& folder, const Snapshot& files) {
    std::filesystem::remove_all(folder.Path());
    std::filesystem::create_directory(folder.Path());
    for (const auto& [name, content] : files) {
        folder.Write(name, content);
    }
}

const struct {
    const char* name;
    std::vector<const char*> earlier;  // the files of the earlier shapefile
    std::vector<const char*> others;   // files beside it that are no part of it
    const char* path;                  // the .shp path asked for
    const char* projection;
    std::set<std::string> written;  // the names of the new files
} kReplacements[] = {
    {"no earlier set, mixed case asked, beside a set named in lower case",
     {},
     {"lagoon.shp", "lagoon.shx", "lagoon.dbf", "LAGOON.PRJ", "harbour.qix"},
     "Lagoon.Shp",
     "GEOGCS[\"WGS 84\"]",
     {"Lagoon.shp", "Lagoon.shx", "Lagoon.dbf", "Lagoon.cpg", "Lagoon.prj"}},
    {"lower-case set with a stale .prj and .qix, beside sets named in other cases",
     {"lagoon.shp", "lagoon.shx", "lagoon.dbf", "lagoon.cpg", "lagoon.prj", "lagoon.qix",
      "lagoon.sbn", "lagoon.shp.xml"},
     {"Lagoon.shp", "Lagoon.shx", "Lagoon.dbf", "LAGOON.SHP", "lagoon.txt", "lagoon2.shp",
      "lagoon.shp.bak"},
     "lagoon.shp",
     "",
     {"lagoon.shp", "lagoon.shx", "lagoon.dbf", "lagoon.cpg"}},
    {"upper-case set with extensions in any case",
     {"LAGOON.SHP", "LAGOON.SHX", "LAGOON.DBF", "LAGOON.Cpg", "LAGOON.sbn", "LAGOON.PRJ"},
     {"Lagoon.Cpg", "lagoon.SBN", "lagoon.shp"},
     "LAGOON.SHP",
     "PROJCS[]",
     {"LAGOON.SHP", "LAGOON.SHX", "LAGOON.DBF", "LAGOON.CPG", "LAGOON.PRJ"}},
    {"one-letter set with companions in upper case",
     {"t.shp", "t.SHX", "t.Dbf", "t.PRJ"},
     {"T.shp", "T.shx", "T.dbf"},
     "t.shp",
     "",
     {"t.shp", "t.shx", "t.dbf", "t.cpg"}},
};

// Ended at any step, the folder shows the earlier or the new shapefile (named `stem`) or no
// .shp, each file as one of them holds it, and set aside (hidden) only earlier files.
void ExpectNoMix(const Snapshot& now, const Snapshot& earlier, const Snapshot& replacement,
                 const std::string& stem) {
    Snapshot visible;
    for (const auto& [name, content] : now) {
        if (name.starts_with(".tesselar-")) {
            EXPECT_THAT(earlier, testing::Contains(testing::Pair(testing::_, content))) << name;
        } else {
            visible[name] = content;
        }
    }
    if (std::ranges::any_of(visible, [&stem](const auto& file) {
            return file.first.size() == stem.size() + 4 && file.first.starts_with(stem) &&
                   ::strcasecmp(file.first.c_str() + stem.size(), ".shp") == 0;
        })) {
        EXPECT_TRUE(visible == earlier || visible == replacement);
    }
    for (const auto& [name, content] : visible) {
        EXPECT_TRUE((earlier.contains(name) && earlier.at(name) == content) ||
                    (replacement.contains(name) && replacement.at(name) == content))
            << name;
    }
}

TEST(ShapeFileDestination, AnyFailingStepLeavesTheEarlierShapefileAndTheNextRunReplacesIt) {
    PosixFileSystem posix;
    for (const auto& row : kReplacements) {
        test::TempDir folder;
        for (const char* name : row.others) {
            folder.Write(name, std::string("other ") + name);
        }
        for (const char* name : row.earlier) {
            folder.Write(name, std::string("earlier ") + name);
        }
        const Snapshot earlier = folder.Files();
        const auto writeNew = [&](OutputFileSystem& files) {
            ShapeFiles shapeFiles(files, kToday);
            WriteSquares(shapeFiles, folder / row.path, row.projection);
        };
        writeNew(posix);
        const Snapshot replacement = folder.Files();
        std::set<std::string> written = row.written;
        written.insert(row.others.begin(), row.others.end());
        EXPECT_EQ(folder.FileNames(), written);
        for (const Failure failure : {Failure::kError, Failure::kOutOfMemory,
                                      Failure::kInterruption, Failure::kEndOfProcess}) {
            for (int step = 0;; ++step) {
                SCOPED_TRACE(std::string(row.name) + ", failure " +
                             std::to_string(static_cast<int>(failure)) + " at step " +
                             std::to_string(step));
                Restore(folder, earlier);
                test::FaultyFileSystem faulty;
                faulty.FailStep(step, failure);
                bool failed = true;
                if (failure == Failure::kEndOfProcess) {
                    const pid_t child = ::fork();
                    ASSERT_GE(child, 0);
                    if (child == 0) {
                        writeNew(faulty);
                        ::_exit(3);
                    }
                    int status = 0;
                    ASSERT_EQ(::waitpid(child, &status, 0), child);
                    ASSERT_TRUE(WIFEXITED(status));
                    failed = WEXITSTATUS(status) == 0;
                    if (failed) {
                        const std::string path = row.path;
                        ExpectNoMix(folder.Files(), earlier, replacement,
                                    path.substr(0, path.size() - 4));
                    }
                } else {
                    const long openFiles = test::OpenFileCount();
                    std::optional<ShapeFiles> files(std::in_place, faulty, kToday);
                    try {
                        WriteSquares(*files, folder / row.path, row.projection);
                        failed = false;
                    } catch (const ShapeFileError& error) {
                        EXPECT_EQ(failure, Failure::kError);
                        EXPECT_THAT(error.what(), HasSubstr(folder.Path().string()));
                    } catch (const std::bad_alloc&) {
                        EXPECT_EQ(failure, Failure::kOutOfMemory);
                    } catch (const test::Interruption&) {
                        EXPECT_EQ(failure, Failure::kInterruption);
                    }
                    if (failed) {
                        EXPECT_EQ(test::OpenFileCount(), openFiles);
                        EXPECT_EQ(folder.Files(), earlier);
                        files.reset();
                        EXPECT_EQ(folder.Files(), earlier);
                    }
                }
                if (failed) {
                    writeNew(posix);
                }
                EXPECT_EQ(folder.Files(), replacement);
                if (!failed || HasFailure()) {
                    break;
                }
            }
        }
    }
}

// New files get the permissions and ACL a file any program creates there gets (as touch does):
// nameless ones and, where the file system cannot make those, named temporary ones, whatever
// the length of the name; dropped before they are placed, they leave nothing.
TEST(NewFile, HasTheUsualPermissionsAndAnyNameLength) {
    const mode_t previousMask = ::umask(027);
    const struct {
        bool defaultAcl;
        bool named;
        std::size_t nameLength;
    } rows[] = {{false, false, 10}, {false, true, 10}, {false, false, 255}, {false, true, 255},
                {true, false, 10},  {true, true, 10},  {true, false, 255},  {true, true, 255}};
    PosixFileSystem fileSystem;
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "ACL " << row.defaultAcl << ", named " << row.named
                                        << ", name of " << row.nameLength);
        test::TempDir folder;
        if (row.defaultAcl && std::system(("setfacl -d -m u::rwx,g::rwx,o::rx '" +
                                           folder.Path().string() + "' 2>/dev/null")
                                              .c_str()) != 0) {
            std::cout << "no default ACL here: checked only under the umask\n";
            continue;
        }
        struct stat expected {};
        ASSERT_EQ(::stat(folder.Write("touched", "").c_str(), &expected), 0);
        const std::string path = folder / (std::string(row.nameLength - 4, 'n') + ".shp");
        const auto create = [&] {
            return row.named ? CreateNamedTemporary(path) : fileSystem.CreateFile(path);
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
    }
    ::umask(previousMask);
}

// The hidden names of the files a process made with CreateNamedTemporary for `destinations`
// and left behind when it ended without removing them, as a killed writer does.
std::set<std::string> LeftByEndedWriter(const test::TempDir& folder,
                                        const std::vector<std::string>& destinations) {
    const std::set<std::string> before = folder.FileNames();
    const pid_t child = ::fork();
    if (child == 0) {
        for (const std::string& destination : destinations) {
            static_cast<void>(CreateNamedTemporary(folder / destination).release());
        }
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    std::set<std::string> left;
    std::ranges::set_difference(folder.FileNames(), before, std::inserter(left, left.end()));
    return left;
}

// Where new files have hidden names, the next conversion to a name removes those that writers
// killed while writing left, whatever the case of their extension; never those of a writer
// still at work, in this or another process, nor those of a shapefile of another name.
TEST(NamedTemporaries, TheNextConversionToTheNameRemovesOnlyThoseOfEndedWriters) {
    for (const std::string& stem : {std::string("lagoon"), std::string(251, 'n')}) {
        SCOPED_TRACE("name of " + std::to_string(stem.size() + 4) + " bytes");
        test::TempDir folder;
        const std::set<std::string> ended =
            LeftByEndedWriter(folder, {stem + ".shp", stem + ".dbf", stem + ".SHX"});
        std::string otherStem = stem;
        otherStem[0] = static_cast<char>(otherStem[0] - 'a' + 'A');
        const std::set<std::string> otherName =
            LeftByEndedWriter(folder, {otherStem + ".shp", stem + "2.shp"});
        ASSERT_EQ(ended.size(), 3U);
        ASSERT_EQ(otherName.size(), 2U);
        const std::set<std::string> before = folder.FileNames();
        const auto atWork = CreateNamedTemporary(folder / (stem + ".prj"));
        std::set<std::string> keep = otherName;
        std::ranges::set_difference(folder.FileNames(), before, std::inserter(keep, keep.end()));
        ASSERT_EQ(keep.size(), 3U);

        PosixFileSystem files;
        ShapeFiles shapeFiles(files, kToday);
        WriteSquares(shapeFiles, folder / (stem + ".shp"), "");

        for (const char* extension : {".shp", ".shx", ".dbf", ".cpg"}) {
            keep.insert(stem + extension);
        }
        EXPECT_EQ(folder.FileNames(), keep);
        atWork->Write("at work", 7);
        atWork->Close();
        atWork->Place(folder / (stem + ".prj"));
        EXPECT_EQ(test::ReadBytes(folder / (stem + ".prj")), "at work");
    }
}

// Whether the process waits for a lock (flock), as /proc/locks lists it: "1: -> FLOCK ADVISORY
// WRITE 1234 ...".
bool WaitsForALock(pid_t pid) {
    std::istringstream locks(test::ReadBytes("/proc/locks"));
    for (std::string line; std::getline(locks, line);) {
        std::istringstream fields(line);
        std::string number, arrow, kind, advisory, mode, holder;
        fields >> number >> arrow >> kind >> advisory >> mode >> holder;
        if (arrow == "->" && kind == "FLOCK" && holder == std::to_string(pid)) {
            return true;
        }
    }
    return false;
}

volatile std::sig_atomic_t stopSignal = 0;

// While another program holds the lock of the folder, a stop request ends the wait: made
// before it, or by a signal during it.
TEST(FolderLock, AStopRequestEndsTheWaitForIt) {
    test::TempDir folder;
    const int otherHolder = ::open(folder.Path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_EQ(::flock(otherHolder, LOCK_EX), 0);
    const auto expectInterrupted = [&](PosixFileSystem& files, const char* signalName) {
        EXPECT_THAT(
            [&] { files.LockFolder(folder.Path().string()); },
            testing::ThrowsMessage<Interrupted>(HasSubstr(
                std::string("interrupted by ") + signalName +
                " while waiting for the lock of the folder '" + folder.Path().string() + "'")));
    };
    stopSignal = SIGTERM;
    PosixFileSystem stoppedBefore{StopRequest(stopSignal)};
    expectInterrupted(stoppedBefore, "SIGTERM");

    const StopSignals signals;
    PosixFileSystem stoppedDuring{signals.Request()};
    const pid_t waiter = ::getpid();
    const pid_t child = ::fork();
    if (child == 0) {
        // Signals once the waiter waits for the lock.
        while (!WaitsForALock(waiter)) {
            ::usleep(1000);
        }
        ::kill(waiter, SIGINT);
        ::_exit(0);
    }
    expectInterrupted(stoppedDuring, "SIGINT");
    ::waitpid(child, nullptr, 0);
    ::close(otherHolder);
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

TEST(ShapeFileCapacity, RecordThatWouldPassTheSizeLimitIsRefusedAndTheFileStaysComplete) {
    // The widest table dBASE can describe: 2046 columns of 19 characters.
    constexpr int kColumns = 2046;
    constexpr std::uint64_t kHeaderBytes = 32 + 32 * kColumns + 1;
    constexpr std::uint64_t kRecordBytes = 1 + 19 * kColumns;
    constexpr std::uint64_t kRecordsThatFit = (2'147'483'647 - kHeaderBytes - 1) / kRecordBytes;

    test::TempDir folder;
    test::FaultyFileSystem fileSystem;
    fileSystem.countOnly = true;
    ShapeFiles files(fileSystem, kToday);
    files.OpenShapeFile(folder / "lagoon.shp", 1, kShapeTypePoint);
    for (int i = 0; i < kColumns; ++i) {
        files.FieldList().AddField("C" + std::to_string(i), kFieldTypeNumeric, 19, 0);
    }
    EXPECT_THROW(files.FieldList().AddField("One more", kFieldTypeNumeric, 19, 0), ShapeFileError);
    files.CommitFields();
    for (std::uint64_t i = 0; i <= kRecordsThatFit; ++i) {
        files.VertexList().AddVertex(1, 1, 0);
        if (i < kRecordsThatFit) {
            files.AppendShape();
        }
    }
    EXPECT_THAT(
        [&] { files.AppendShape(); },
        testing::ThrowsMessage<ShapeFileError>(testing::AllOf(
            HasSubstr("shape " + std::to_string(kRecordsThatFit + 1)),
            HasSubstr("'" + folder / "lagoon.dbf" + "' would be larger than 2147483647 bytes"))));
    files.Release();
    EXPECT_EQ(fileSystem.sizes.at(folder / "lagoon.dbf"),
              kHeaderBytes + kRecordsThatFit * kRecordBytes + 1);
}

}  // namespace
}  // namespace tesselar
