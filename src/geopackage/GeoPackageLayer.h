#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "controls/shapefile/OutputFiles.h"
#include "crs/CrsIdentity.h"
#include "geopackage/GeoPackageGeometry.h"

namespace tesselar {

// What a feature table holds: its name, its shapes, its columns after fid and geom (integers,
// then date-times, then reals) and the coordinate system of its shapes (none: srs_id -1,
// undefined Cartesian).
struct GeoPackageLayerDefinition {
    std::string table;
    bool polygons = true;
    std::vector<std::string> integerColumns;
    // DATETIME columns: ISO 8601 text in UTC, "2024-01-01T00:00:00Z".
    std::vector<std::string> dateTimeColumns;
    std::vector<std::string> realColumns;
    std::optional<CrsIdentity> crs;
    // How many times over the features repeat the shapes of the spatial order, all of them
    // each time and in the same order (the steps of a model run): the spatial index keeps only
    // the first time's boxes.
    std::size_t shapeCopies = 1;
};

// Refuses a layer the writer cannot write: a name reserved for the GeoPackage's own tables, or
// two columns whose names SQLite takes for the same (it ignores the case of ASCII letters).
void CheckGeoPackageLayer(const GeoPackageLayerDefinition& definition);

// Writes one feature table, with its spatial index (the gpkg_rtree_index extension), into the
// GeoPackage at `path`.
//
// The spatial index is built as the features are added; `spatialOrder` gives its leaves' order:
// every shape's number from 0 in the order added (its first feature's fid less one), once,
// shapes near each other in space together.
//
// A new GeoPackage is written under a temporary name in the destination's folder, with SQLite's
// journal off, and Finish moves it into place under the folder's lock. An existing GeoPackage
// gets the table of that name replaced (or added), every other layer kept, in one SQLite
// transaction that Finish commits. A file at `path` that is not a GeoPackage is refused before
// anything is written. Destroyed before Finish has returned, the writer leaves the destination
// as it was. Every failure throws GeoPackageError naming the file.
class GeoPackageLayer {
public:
    GeoPackageLayer(OutputFileSystem& files, const std::string& path,
                    const GeoPackageLayerDefinition& definition,
                    std::span<const std::uint32_t> spatialOrder);
    ~GeoPackageLayer();
    GeoPackageLayer(const GeoPackageLayer&) = delete;
    GeoPackageLayer& operator=(const GeoPackageLayer&) = delete;

    // The next feature's column values, by position among the integer, the date-time or the
    // real columns.
    void SetInteger(int column, std::int64_t value);
    void SetDateTime(int column, const std::string& isoUtcText);
    void SetReal(int column, double value);
    void SetNull(int realColumn);
    // Adds a feature with the values set; every value is set for each feature. The features
    // added are those of the spatial order, fid 1, 2 ... in the order added.
    void AddPolygon(const double* x, const double* y, int corners);
    void AddPoint(double x, double y);
    void Finish();
    // Whether the GeoPackage existed before (a layer replaced or added) or is new.
    bool Existed() const;

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tesselar
