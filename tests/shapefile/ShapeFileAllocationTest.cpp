// Writing a record allocates nothing once the component is warmed up: a grid of a million
// cells must not cost a million allocations. This program counts every allocation.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "ShapeFileTestSupport.h"
#include "controls/shapefile/ShapeFieldList.h"
#include "controls/shapefile/ShapeFiles.h"

namespace {

// Only the test's own thread allocates while it counts.
long allocationCount = 0;

}  // namespace

void* operator new(std::size_t size) {
    ++allocationCount;
    if (void* memory = std::malloc(size == 0 ? 1 : size)) {
        return memory;
    }
    throw std::bad_alloc();
}

void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}

namespace tesselar {
namespace {

void AppendCell(ShapeFiles& files, ShapeField* (&columns)[3], int cell) {
    const double x = cell % 1000;
    const double y = cell / 1000;
    for (const auto& [dx, dy] : {std::pair{0, 0}, {1, 0}, {1, 1}, {0, 1}}) {
        files.VertexList().AddVertex(x + dx, y + dy, 0);
    }
    columns[0]->Value(cell * 0.01);
    columns[1]->Value(12345.678);
    columns[2]->SetNull();
    files.AppendShape();
}

TEST(ShapeFileAllocation, AppendingShapesAllocatesNothing) {
    test::TempDir folder;
    PosixFileSystem fileSystem;
    ShapeFiles files(fileSystem, test::NoonOf(std::chrono::year(2024) / 1 / 1));
    files.OpenShapeFile(folder / "grid.shp", 1, kShapeTypePolygon);
    ShapeField* columns[3];
    for (ShapeField*& column : columns) {
        column =
            &files.FieldList().AddField("Temperature at the surface", kFieldTypeNumeric, 10, 5);
    }
    files.CommitFields();
    for (int cell = 0; cell < 10; ++cell) {
        AppendCell(files, columns, cell);
    }
    const long before = allocationCount;
    // Enough cells to fill and write several blocks of every file.
    for (int cell = 10; cell < 30000; ++cell) {
        AppendCell(files, columns, cell);
    }
    EXPECT_EQ(allocationCount - before, 0);
    files.Release();
}

}  // namespace
}  // namespace tesselar
