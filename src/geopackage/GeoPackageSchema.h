#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "crs/CrsIdentity.h"
#include "geopackage/GeoPackageGeometry.h"
#include "geopackage/GeoPackageLayer.h"
#include "geopackage/Sqlite.h"

namespace tesselar {

// The GeoPackage's own tables and rows, as its standard (version 1.3) defines them.

inline constexpr const char* kFidColumn = "fid";
inline constexpr const char* kGeometryColumn = "geom";
// Shapes without a coordinate system: "Undefined cartesian SRS" (0 would say geographic).
inline constexpr std::int32_t kUndefinedCartesianSrsId = -1;

// Makes an empty database a GeoPackage: its application id and version, the tables every
// GeoPackage has, with their required rows, and the extensions table.
void CreateGeoPackageTables(SqliteDatabase& db);

// Whether the database has the tables every GeoPackage has.
bool HasGeoPackageTables(SqliteDatabase& db);

// Creates gpkg_extensions when a GeoPackage has none yet.
void EnsureExtensionsTable(SqliteDatabase& db);

// The srs_id of `crs`: the row already there for its authority and code (or, unidentified, for
// its definition), else a new row: the EPSG code itself when free, else a number of our own.
std::int32_t SpatialReferenceId(SqliteDatabase& db, const CrsIdentity& crs);

// A layer of gpkg_contents, as found by its name in any case.
struct EarlierLayer {
    std::string table;  // as stored
    std::string dataType;
    std::optional<std::string> geometryColumn;
};
// The layer named `table` (ignoring case, as SQLite does), or nothing. Throws GeoPackageError
// when a table or view of that name is no layer.
std::optional<EarlierLayer> FindLayer(SqliteDatabase& db, const std::string& table);

// Removes a feature table with its spatial index and every row that describes it.
void DropFeatureTable(SqliteDatabase& db, const EarlierLayer& layer);

// The name of a feature table's spatial index table.
std::string RtreeName(const std::string& table);

// Describes a filled feature table: its gpkg_contents row with `extent` (none: empty), its
// gpkg_geometry_columns row, its spatial index extension row and the index's triggers.
void RegisterLayer(SqliteDatabase& db, const GeoPackageLayerDefinition& definition,
                   std::int32_t srsId, const std::optional<Box>& extent);

}  // namespace tesselar
