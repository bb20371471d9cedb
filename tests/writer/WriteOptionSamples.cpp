// Writes the shapefiles that check_writer_options.py reads with pyshp, GDAL and shapelib:
//   write_option_samples FOLDER
// The check knows them from its own description, not from this program's output:
// cells.shp     polygons, 2 x 3 cells (i outer, j inner), cell index columns, no-data -9999:
//                 "J"     = 10 i + j + 0.5
//                 "Depth" = -9999 for cells (1, 2) and (2, 3), otherwise 1.25 i j
// particles.shp 3 points at (p, -p), cell index column, attribute "I" = 100 - p.
// fitted.shp    6 points at (p, 0), fitted columns, no-data -9999, values per point in
//               fitted_values.
// default.shp   the same points and values as fitted.shp in the default columns, no no-data.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "conversion/Clock.h"
#include "writer/CreateShapeFiles.h"
#include "writer/JobBuilder.h"
#include "writer/WriterFakes.h"

namespace tesselar {
namespace {

// Columns "Large", "Tiny", "Huge", "Temp", one row per point.
const std::vector<std::vector<double>> kFittedValues = {
    {123456789.123, -0.000001, 1e15, 12345.67},
    {-5.5, 0.5, 1.0, 10000.0},
    {0.0, 1.0, 2.0, 20000.5},
    {12345.67, 2.0, 3.0, -3.25},
    {10000.0, 3.0, 4.0, 0.0},
    {-9999.0, -9999.0, 5.0, 99999.99},
};

class Writer {
public:
    explicit Writer(std::string folder) : folder_(std::move(folder)) {}

    void Write(const ConversionJob& job, const std::string& name, const WriterOptions& options) {
        WriteShapeFile(folder_ + "/" + name, job, {display_, clock_, files_}, options);
    }

private:
    std::string folder_;
    PosixFileSystem files_;
    test::RecordingDisplay display_;
    test::SteppingClock clock_;
};

void WriteSamples(const std::string& folder) {
    Writer writer(folder);
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
    writer.Write(cells, "cells.shp", {.fitColumns = false, .cellIndex = true, .noData = -9999.0});

    ConversionJob particles;
    test::FillJob(
        particles, ShapeType::Point, 3, 1, {"I"}, [](int p, int) { return 1.0 * p; },
        [](int p, int) { return -1.0 * p; }, [](int, int p, int) { return 100.0 - p; });
    writer.Write(particles, "particles.shp",
                 {.fitColumns = false, .cellIndex = true, .noData = {}});

    ConversionJob fitted;
    test::FillJob(
        fitted, ShapeType::Point, static_cast<std::int16_t>(kFittedValues.size()), 1,
        {"Large", "Tiny", "Huge", "Temp"}, [](int p, int) { return 1.0 * p; }, zero,
        [](int k, int p, int) {
            return kFittedValues[static_cast<std::size_t>(p - 1)][static_cast<std::size_t>(k - 1)];
        });
    writer.Write(fitted, "fitted.shp", {.fitColumns = true, .cellIndex = false, .noData = -9999.0});
    writer.Write(fitted, "default.shp", {});
}

}  // namespace
}  // namespace tesselar

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    try {
        tesselar::WriteSamples(argv[1]);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
