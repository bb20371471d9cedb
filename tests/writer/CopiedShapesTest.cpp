// A shapefile whose shapes are those of one held back before it (a model run's later steps)
// copies that one's .shp and .shx and writes only its own table; where the file system cannot
// copy, the shapes are written as usual. Read back by shapelib.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ShapelibReader.h"
#include "controls/shapefile/PendingShapefiles.h"
#include "controls/shapefile/ShapeFieldList.h"
#include "controls/shapefile/ShapeFileError.h"
#include "controls/shapefile/ShapeFiles.h"
#include "support/TempDir.h"

namespace tesselar {
namespace {

const auto kToday = std::chrono::sys_days(std::chrono::year(2024) / 3 / 9);
constexpr int kShapes = 3;

// The system's files, through files that cannot copy one another.
class NoCopyFileSystem final : public OutputFileSystem {
public:
    std::unique_ptr<OutputFile> CreateFile(const std::string& destination) override {
        return std::make_unique<NoCopyFile>(posix_.CreateFile(destination));
    }
    std::unique_ptr<FolderLock> LockFolder(const std::string& folder) override {
        return posix_.LockFolder(folder);
    }
    std::vector<std::string> ListFolder(const std::string& folder) override {
        return posix_.ListFolder(folder);
    }
    void Rename(const std::string& from, const std::string& to) override {
        posix_.Rename(from, to);
    }
    void Remove(const std::string& path) noexcept override { posix_.Remove(path); }
    void RemoveAbandoned(const std::string& path) noexcept override {
        posix_.RemoveAbandoned(path);
    }

private:
    class NoCopyFile final : public OutputFile {
    public:
        explicit NoCopyFile(std::unique_ptr<OutputFile> file) : file_(std::move(file)) {}
        void Write(const void* data, std::size_t size) override { file_->Write(data, size); }
        void WriteAt(std::uint64_t offset, const void* data, std::size_t size) override {
            file_->WriteAt(offset, data, size);
        }
        void Close() override { file_->Close(); }
        void Place(const std::string& path) override { file_->Place(path); }

    private:
        std::unique_ptr<OutputFile> file_;
    };

    PosixFileSystem posix_;
};

// Opens the set `name` with one numeric column, holding `value` until changed.
void Open(ShapeFiles& shapeFiles, const test::TempDir& folder, const std::string& name) {
    shapeFiles.OpenShapeFile(folder / (name + ".shp"), 1, kShapeTypePolygon);
}

// Appends square s (unit squares side by side) with its value, its vertices unless copied.
void AppendSquare(ShapeFiles& shapeFiles, ShapeField& value, int s, double number, bool copied) {
    value.Value(number);
    if (!copied) {
        for (const auto& [x, y] : {std::pair{0, 0}, {0, 1}, {1, 1}, {1, 0}}) {
            shapeFiles.VertexList().AddVertex(x + s, y, 0);
        }
    }
    shapeFiles.AppendShape();
}

TEST(CopiedShapes, ALaterSetHasTheEarlierSetsShapesAndItsOwnValues) {
    PosixFileSystem posix;
    NoCopyFileSystem noCopy;
    for (OutputFileSystem* files : std::initializer_list<OutputFileSystem*>{&posix, &noCopy}) {
        const bool copies = files == &posix;
        SCOPED_TRACE(copies ? "a file system that copies" : "one that cannot");
        test::TempDir folder;
        {
            PendingShapefiles pending(*files, folder.Path().string());
            ShapeFiles first(*files, kToday);
            Open(first, folder, "a");
            ShapeField& firstValue = first.FieldList().AddField("V", kFieldTypeNumeric, 10, 2);
            first.CommitFields();
            for (int s = 0; s < kShapes; ++s) {
                AppendSquare(first, firstValue, s, 1.5 + s, false);
            }
            first.HoldBack(pending);

            ShapeFiles later(*files, kToday);
            Open(later, folder, "b");
            const bool copied = later.CopyShapesFrom(pending.HeldFile(folder / "a.shp"),
                                                     pending.HeldFile(folder / "a.shx"), kShapes);
            EXPECT_EQ(copied, copies);
            ShapeField& laterValue = later.FieldList().AddField("V", kFieldTypeNumeric, 10, 2);
            later.CommitFields();
            for (int s = 0; s < kShapes; ++s) {
                AppendSquare(later, laterValue, s, -20.25 * s, copied);
            }
            later.HoldBack(pending);
            pending.PlaceAll();
        }
        EXPECT_EQ(test::ReadBytes(folder / "b.shp"), test::ReadBytes(folder / "a.shp"));
        EXPECT_EQ(test::ReadBytes(folder / "b.shx"), test::ReadBytes(folder / "a.shx"));
        const test::ShapefileContents first = test::ReadWithShapelib(folder / "a.shp");
        const test::ShapefileContents later = test::ReadWithShapelib(folder / "b.shp");
        ASSERT_EQ(later.records.size(), static_cast<std::size_t>(kShapes));
        for (int s = 0; s < kShapes; ++s) {
            const auto r = static_cast<std::size_t>(s);
            EXPECT_EQ(later.records[r].vertices, first.records[r].vertices);
            EXPECT_EQ(later.records[r].vertices.front(), (std::pair<double, double>(s, 0)));
            EXPECT_EQ(first.values[r], std::vector<double>{1.5 + s});
            EXPECT_EQ(later.values[r], std::vector<double>{-20.25 * s});
        }
    }
}

// A set whose count of records differs from the shapes copied is refused, and nothing placed.
TEST(CopiedShapes, ADifferentCountOfRecordsIsRefused) {
    PosixFileSystem files;
    test::TempDir folder;
    PendingShapefiles pending(files, folder.Path().string());
    ShapeFiles first(files, kToday);
    Open(first, folder, "a");
    ShapeField& firstValue = first.FieldList().AddField("V", kFieldTypeNumeric, 10, 2);
    first.CommitFields();
    for (int s = 0; s < kShapes; ++s) {
        AppendSquare(first, firstValue, s, s, false);
    }
    first.HoldBack(pending);
    ShapeFiles later(files, kToday);
    Open(later, folder, "b");
    ASSERT_TRUE(later.CopyShapesFrom(pending.HeldFile(folder / "a.shp"),
                                     pending.HeldFile(folder / "a.shx"), kShapes));
    ShapeField& laterValue = later.FieldList().AddField("V", kFieldTypeNumeric, 10, 2);
    later.CommitFields();
    AppendSquare(later, laterValue, 0, 1, true);
    try {
        later.HoldBack(pending);
        FAIL() << "a set of 1 record took 3 copied shapes";
    } catch (const ShapeFileError& error) {
        EXPECT_NE(std::string(error.what()).find("1 records were appended to the 3 shapes copied"),
                  std::string::npos)
            << error.what();
    }
    EXPECT_EQ(folder.FileNames(), std::set<std::string>{});
}

}  // namespace
}  // namespace tesselar
