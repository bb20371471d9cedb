// Several shapefiles held back and placed together: a failure or an interruption at any step,
// while writing any of them or placing them, leaves every earlier file of the folder as it was,
// no new file and no file open; without one, all appear at once.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>

#include "ShapeFileTestSupport.h"
#include "controls/shapefile/PendingShapefiles.h"
#include "controls/shapefile/ShapeFieldList.h"
#include "controls/shapefile/ShapeFileError.h"
#include "controls/shapefile/ShapeFileNames.h"
#include "controls/shapefile/ShapeFiles.h"
#include "support/FaultyFileSystem.h"
#include "support/OpenFileCount.h"

namespace tesselar {
namespace {

using test::Failure;

const auto kToday = test::NoonOf(std::chrono::year(2024) / 3 / 9);
constexpr int kSets = 3;

// Sets run_1 to run_3 of one square each, with a text column naming the set.
void WriteRun(OutputFileSystem& files, const test::TempDir& folder) {
    PendingShapefiles pending(files, folder.Path().string());
    for (int n = 1; n <= kSets; ++n) {
        ShapeFiles shapeFiles(files, kToday);
        shapeFiles.OpenShapeFile(folder / ("run_" + std::to_string(n) + ".shp"), 1,
                                 kShapeTypePolygon);
        shapeFiles.FieldList().AddTextField("TIME", 20).Text("set " + std::to_string(n));
        shapeFiles.CommitFields();
        for (const auto& [x, y] : {std::pair{0, 0}, {0, 1}, {1, 1}, {1, 0}}) {
            shapeFiles.VertexList().AddVertex(x + n, y, 0);
        }
        shapeFiles.AppendShape();
        shapeFiles.HoldBack(pending);
    }
    EXPECT_EQ(pending.Count(), static_cast<std::size_t>(kSets));
    pending.PlaceAll();
}

TEST(PendingShapefiles, AnyFailingStepLeavesEveryEarlierFileAndNoNewOne) {
    test::TempDir folder;
    for (const char* name : {"run_1.shp", "run_1.shx", "run_1.dbf", "run_2.shp", "run_2.dbf",
                             "run_3.prj", "notes.txt"}) {
        folder.Write(name, std::string("earlier ") + name);
    }
    const auto earlier = folder.Files();
    PosixFileSystem posix;
    WriteRun(posix, folder);
    const auto replacement = folder.Files();
    std::set<std::string> expected = {"notes.txt"};
    for (int n = 1; n <= kSets; ++n) {
        for (const char* extension : {".shp", ".shx", ".dbf", ".cpg"}) {
            expected.insert("run_" + std::to_string(n) + extension);
        }
    }
    EXPECT_EQ(folder.FileNames(), expected);
    for (const Failure failure : {Failure::kError, Failure::kOutOfMemory, Failure::kInterruption}) {
        for (int step = 0;; ++step) {
            SCOPED_TRACE("failure " + std::to_string(static_cast<int>(failure)) + " at step " +
                         std::to_string(step));
            std::filesystem::remove_all(folder.Path());
            std::filesystem::create_directory(folder.Path());
            for (const auto& [name, content] : earlier) {
                folder.Write(name, content);
            }
            test::FaultyFileSystem faulty;
            faulty.FailStep(step, failure);
            const long openFiles = test::OpenFileCount();
            bool failed = true;
            try {
                WriteRun(faulty, folder);
                failed = false;
            } catch (const ShapeFileError&) {
                EXPECT_EQ(failure, Failure::kError);
            } catch (const std::bad_alloc&) {
                EXPECT_EQ(failure, Failure::kOutOfMemory);
            } catch (const test::Interruption&) {
                EXPECT_EQ(failure, Failure::kInterruption);
            }
            EXPECT_EQ(test::OpenFileCount(), openFiles);
            EXPECT_EQ(folder.Files(), failed ? earlier : replacement);
            if (!failed || HasFailure()) {
                break;
            }
        }
    }
}

// Placing the run removes what killed writers left for any of its names (the extension in any
// case), and nothing of another shapefile: one named in another case, or another step's.
TEST(PendingShapefiles, PlacingTheRunRemovesTheLeftoversOfItsNamesOnly) {
    test::TempDir folder;
    std::set<std::string> kept = {"RUN_1.shp", "run_10.shp",
                                  TemporaryPrefix("RUN_2.dbf") + RandomLetters(),
                                  TemporaryPrefix("run_4.shp") + RandomLetters()};
    std::set<std::string> leftovers;
    for (int n = 1; n <= kSets; ++n) {
        const std::string stem = "run_" + std::to_string(n);
        kept.insert({stem + ".shp", stem + ".shx", stem + ".dbf", stem + ".cpg"});
        leftovers.insert(TemporaryPrefix(stem + ".dbf") + RandomLetters());
        leftovers.insert(TemporaryPrefix(stem + ".SHX") + RandomLetters());
    }
    for (const std::string& name : kept) {
        folder.Write(name, "earlier");
    }
    for (const std::string& name : leftovers) {
        folder.Write(name, "left by a killed writer");
    }
    PosixFileSystem posix;
    WriteRun(posix, folder);
    EXPECT_EQ(folder.FileNames(), kept);
    EXPECT_EQ(test::ReadBytes(folder / "RUN_1.shp"), "earlier");
}

TEST(PendingShapefiles, RefusesASetOutsideTheFolderOrTwiceTheSameName) {
    test::TempDir folder;
    PosixFileSystem posix;
    PendingShapefiles pending(posix, folder.Path().string());
    const struct {
        std::string shpPath;
        const char* named;
    } cases[] = {{folder / "sub/run.shp", "lies outside the folder"},
                 {folder / "run.SHP", "two shapefiles of the run are named"}};
    pending.Add(folder / "run.shp", {});
    // A name in another case is another shapefile.
    pending.Add(folder / "RUN.shp", {});
    for (const auto& [shpPath, named] : cases) {
        try {
            pending.Add(shpPath, {});
            ADD_FAILURE() << shpPath;
        } catch (const ShapeFileError& error) {
            EXPECT_THAT(error.what(), testing::HasSubstr(named));
        }
    }
}

}  // namespace
}  // namespace tesselar
