// Writes the sample shapefiles that check_samples.py reads with pyshp, GDAL and shapelib and
// check_sample_bytes.py reads byte by byte:
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
// rings.shp    polygons read from standard input, one vertex "SHAPE PART X Y" a line, shapes
//               numbered from 1 in order; column "Shape" = the shape's number.
// Through the writer, with its options:
// cells.shp     polygons, 2 x 3 cells (i outer, j inner), cell index columns, no-data -9999,
//               coordinate system EPSG:32633 (WGS 84 / UTM zone 33N):
//                 "J"     = 10 i + j + 0.5
//                 "Depth" = -9999 for cells (1, 2) and (2, 3), otherwise 1.25 i j
// particles.shp 3 points at (p, -p), cell index column, attribute "I" = 100 - p.
// fitted.shp    6 points at (p, 0), fitted columns, no-data -9999, values per point in
//               FITTED_VALUES.
// empty.shp     points: no particles, one column "Mass".
// Every .dbf is dated 17 May 2024, the date of the writer tests' clock.
#include <chrono>
#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "controls/shapefile/ShapeFieldList.h"
#include "controls/shapefile/ShapeFiles.h"
#include "crs/CoordinateSystem.h"
#include "writer/CreateShapeFiles.h"
#include "writer/JobBuilder.h"
#include "writer/WriterFakes.h"

namespace tesselar {
namespace {

// The date stamped into every sample's .dbf.
std::chrono::system_clock::time_point Today() {
    return test::SteppingClock().CalendarNow();
}

ShapeField& Column(ShapeFiles& files, const std::string& name) {
    return files.FieldList().AddField(name, kFieldTypeNumeric, 10, 5);
}

// The corners of cell (i, j), counter-clockwise.
void AddCell(ShapeFiles& files, int i, int j) {
    for (const auto& [di, dj] : {std::pair{0, 0}, {1, 0}, {1, 1}, {0, 1}}) {
        files.VertexList().AddVertex(100.0 + 10 * (i + di) + (j + dj),
                                     50.0 + 5 * (j + dj) - (i + di), 0);
    }
}

void WriteGrid(const std::string& folder, PosixFileSystem& fileSystem) {
    ShapeFiles files(fileSystem, Today());
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
            AddCell(files, i, j);
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

void WriteRings(const std::string& folder, PosixFileSystem& fileSystem) {
    ShapeFiles files(fileSystem, Today());
    files.OpenShapeFile(folder + "/rings.shp", 1, kShapeTypePolygon);
    ShapeField& number = Column(files, "Shape");
    files.CommitFields();
    double shape = 1;
    double vertexShape = 0;
    double x = 0;
    double y = 0;
    int part = 0;
    while (std::cin >> vertexShape >> part >> x >> y) {
        if (vertexShape != shape) {
            number.Value(shape++);
            files.AppendShape();
        }
        files.VertexList().AddVertex(x, y, part);
    }
    number.Value(shape);
    files.AppendShape();
    files.Release();
}

// Columns "Large", "Tiny", "Huge", "Temp", one row per point.
const std::vector<std::vector<double>> kFittedValues = {
    {123456789.123, -0.000001, 1e15, 12345.67},
    {-5.5, 0.5, 1.0, 10000.0},
    {0.0, 1.0, 2.0, 20000.5},
    {12345.67, 2.0, 3.0, -3.25},
    {10000.0, 3.0, 4.0, 0.0},
    {-9999.0, -9999.0, 5.0, 99999.99},
};

void WriteWithOptions(const std::string& folder, PosixFileSystem& fileSystem) {
    test::RecordingDisplay display;
    const test::SteppingClock clock;
    const auto write = [&](const ConversionJob& job, const char* name, WriterOptions options,
                           const std::string& projection = {}) {
        WriteShapeFile(folder + "/" + name, job, {display, clock, fileSystem}, options, projection);
    };
    const auto along = [](int n, int) { return 1.0 * n; };
    const auto zero = [](int, int) { return 0.0; };

    ConversionJob cells;
    test::FillJob(
        cells, ShapeType::Polygon, 2, 3, {"J", "Depth"}, [](int i, int) { return 10.0 * i; },
        [](int, int j) { return -10.0 * j; },
        [](int k, int i, int j) {
            if (k == 1) {
                return 10.0 * i + j + 0.5;
            }
            return (i == 1 && j == 2) || (i == 2 && j == 3) ? -9999.0 : 1.25 * i * j;
        });
    write(cells, "cells.shp", {.fitColumns = false, .cellIndex = true, .noData = -9999.0},
          EsriWkt("EPSG:32633"));

    ConversionJob particles;
    test::FillJob(
        particles, ShapeType::Point, 3, 1, {"I"}, along, [](int p, int) { return -1.0 * p; },
        [](int, int p, int) { return 100.0 - p; });
    write(particles, "particles.shp", {.fitColumns = false, .cellIndex = true, .noData = {}});

    ConversionJob fitted;
    test::FillJob(
        fitted, ShapeType::Point, static_cast<std::int16_t>(kFittedValues.size()), 1,
        {"Large", "Tiny", "Huge", "Temp"}, along, zero, [](int k, int p, int) {
            return kFittedValues[static_cast<std::size_t>(p - 1)][static_cast<std::size_t>(k - 1)];
        });
    write(fitted, "fitted.shp", {.fitColumns = true, .cellIndex = false, .noData = -9999.0});

    ConversionJob empty;
    test::FillJob(empty, ShapeType::Point, 0, 1, {"Mass"}, along, zero,
                  [](int, int, int) { return 0.0; });
    write(empty, "empty.shp", {});
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
        tesselar::WriteRings(folder, fileSystem);
        tesselar::WriteWithOptions(folder, fileSystem);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
