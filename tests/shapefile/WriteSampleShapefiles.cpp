// Writes the sample shapefiles that the Python checks read with pyshp, GDAL and shapelib:
//   write_sample_shapefiles FOLDER
// The checks know the samples from their own description in check_samples.py, not from
// this program's output:
// grid.shp      polygons: the cells (i, j), i 0..2 outer, j 0..3 inner, of the nodes at
//               x = 100 + 10 i + j, y = 50 + 5 j - i; corners (i, j), (i+1, j), (i+1, j+1),
//               (i, j+1) in that order (counter-clockwise). Numeric columns (10, 5):
//                 "Temperature"          = 10 i + j + 0.25
//                 "temperature_max"      = -(i + j) - 0.5
//                 "Salinité de surface"  = 35.5 - i
//                 "Eaux saumâtres"       = 1234.5, set on the first cell only
//                 "Depth"                = 12345.67 for i = 0, 1e12 for i = 1, not set again
//                 "Unset"                  never set
//                 "Temperature" (again)  = i j / 100
// flipped.shp   the same cells with y = 50 - 5 j - i, so that the corners come clockwise;
//               column "Cell" = 4 i + j.
// particles.shp points: p = 0..4 at (1.5 p, -2 p); "Mass" = p / 2, "Age" = 100 - p.
// empty.shp     points: no shapes, one column "Mass".
#include <cstdio>
#include <exception>
#include <string>

#include "controls/shapefile/ShapeFieldList.h"
#include "controls/shapefile/ShapeFiles.h"

namespace tesselar {
namespace {

ShapeField& Column(ShapeFiles& files, const std::string& name) {
    return files.FieldList().AddField(name, kFieldTypeNumeric, 10, 5);
}

// The corners of cell (i, j), with the nodes' y running up with j (`ySign` 1) or down (-1).
void AddCell(ShapeFiles& files, int i, int j, int ySign) {
    for (const auto& [di, dj] : {std::pair{0, 0}, {1, 0}, {1, 1}, {0, 1}}) {
        files.VertexList().AddVertex(100.0 + 10 * (i + di) + (j + dj),
                                     50.0 + ySign * 5 * (j + dj) - (i + di), 0);
    }
}

void WriteGrid(const std::string& folder, PosixFileSystem& fileSystem) {
    ShapeFiles files(fileSystem, std::chrono::system_clock::now());
    files.OpenShapeFile(folder + "/grid.shp", 1, kShapeTypePolygon);
    ShapeField& temperature = Column(files, "Temperature");
    ShapeField& maximum = Column(files, "temperature_max");
    ShapeField& salinity = Column(files, "Salinit\xC3\xA9 de surface");
    ShapeField& brackish = Column(files, "Eaux saum\xC3\xA2tres");
    ShapeField& depth = Column(files, "Depth");
    Column(files, "Unset");
    ShapeField& product = Column(files, "Temperature");
    files.CommitFields();
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 4; ++j) {
            AddCell(files, i, j, 1);
            temperature.Value(10 * i + j + 0.25);
            maximum.Value(-(i + j) - 0.5);
            salinity.Value(35.5 - i);
            if (i == 0 && j == 0) {
                brackish.Value(1234.5);
            }
            if (i < 2) {
                depth.Value(i == 0 ? 12345.67 : 1e12);
            }
            product.Value(i * j / 100.0);
            files.AppendShape();
        }
    }
    files.Release();
}

void WriteFlipped(const std::string& folder, PosixFileSystem& fileSystem) {
    ShapeFiles files(fileSystem, std::chrono::system_clock::now());
    files.OpenShapeFile(folder + "/flipped.shp", 1, kShapeTypePolygon);
    ShapeField& cell = Column(files, "Cell");
    files.CommitFields();
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 4; ++j) {
            AddCell(files, i, j, -1);
            cell.Value(4 * i + j);
            files.AppendShape();
        }
    }
    files.Release();
}

void WriteParticles(const std::string& folder, PosixFileSystem& fileSystem) {
    ShapeFiles files(fileSystem, std::chrono::system_clock::now());
    files.OpenShapeFile(folder + "/particles.shp", 1, kShapeTypePoint);
    Column(files, "Mass");
    Column(files, "Age");
    files.CommitFields();
    for (int p = 0; p < 5; ++p) {
        files.VertexList().AddVertex(1.5 * p, -2.0 * p, 0);
        files.FieldList().FieldByName("Mass").Value(p / 2.0);
        files.FieldList().FieldByName("Age").Value(100 - p);
        files.AppendShape();
    }
    files.Release();
}

void WriteEmpty(const std::string& folder, PosixFileSystem& fileSystem) {
    ShapeFiles files(fileSystem, std::chrono::system_clock::now());
    files.OpenShapeFile(folder + "/empty.shp", 1, kShapeTypePoint);
    Column(files, "Mass");
    files.CommitFields();
    files.Release();
}

}  // namespace
}  // namespace tesselar

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    try {
        const std::string folder = argv[1];
        tesselar::PosixFileSystem fileSystem;
        tesselar::WriteGrid(folder, fileSystem);
        tesselar::WriteFlipped(folder, fileSystem);
        tesselar::WriteParticles(folder, fileSystem);
        tesselar::WriteEmpty(folder, fileSystem);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
