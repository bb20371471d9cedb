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

// The writer passes the names it holds; a name built from a literal would allocate itself.
const std::string kTemperature = "Temperature at the surface";
const std::string kSalinity = "Salinity";
const std::string kDepth = "Depth";

void AppendCell(ShapeFiles& files, int cell) {
    const double x = cell % 1000;
    const double y = cell / 1000;
    ShapeVertexList& vertices = files.VertexList();
    vertices.AddVertex(x, y, 0);
    vertices.AddVertex(x + 1, y, 0);
    vertices.AddVertex(x + 1, y + 1, 0);
    vertices.AddVertex(x, y + 1, 0);
    files.FieldList().FieldByName(kTemperature).Value(cell * 0.01);
    files.FieldList().FieldByName(kSalinity).Value(12345.678);
    files.FieldList().FieldByName(kDepth).Value(-cell * 0.25);
    files.AppendShape();
}

TEST(ShapeFileAllocation, AppendingShapesAllocatesNothing) {
    test::TempDir folder;
    PosixFileSystem fileSystem;
    ShapeFiles files(fileSystem, test::NoonOf(std::chrono::year(2024) / 1 / 1));
    files.OpenShapeFile(folder / "grid.shp", 1, kShapeTypePolygon);
    for (const std::string& name : {kTemperature, kSalinity, kDepth}) {
        files.FieldList().AddField(name, kFieldTypeNumeric, 10, 5);
    }
    files.CommitFields();
    for (int cell = 0; cell < 10; ++cell) {
        AppendCell(files, cell);
    }
    const long before = allocationCount;
    // Enough cells to fill and write several blocks of every file.
    for (int cell = 10; cell < 30000; ++cell) {
        AppendCell(files, cell);
    }
    EXPECT_EQ(allocationCount - before, 0);
    files.Release();
}

}  // namespace
}  // namespace tesselar
