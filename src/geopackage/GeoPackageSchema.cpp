#include "geopackage/GeoPackageSchema.h"

#include <initializer_list>
#include <utility>

#include "geopackage/GeoPackageError.h"

namespace tesselar {

namespace {

// "GPKG" as the application id, and the standard's version 1.3.0.
constexpr std::int64_t kApplicationId = 0x47504B47;
constexpr int kUserVersion = 10300;
// Coordinate systems without a code of an authority are numbered from here on.
constexpr std::int64_t kFirstOwnSrsId = 100000;

constexpr const char* kCreateTables = R"sql(
CREATE TABLE gpkg_spatial_ref_sys (
  srs_name TEXT NOT NULL,
  srs_id INTEGER PRIMARY KEY,
  organization TEXT NOT NULL,
  organization_coordsys_id INTEGER NOT NULL,
  definition TEXT NOT NULL,
  description TEXT
);
CREATE TABLE gpkg_contents (
  table_name TEXT NOT NULL PRIMARY KEY,
  data_type TEXT NOT NULL,
  identifier TEXT UNIQUE,
  description TEXT DEFAULT '',
  last_change DATETIME NOT NULL DEFAULT (strftime('%Y-%m-%dT%H:%M:%fZ','now')),
  min_x DOUBLE,
  min_y DOUBLE,
  max_x DOUBLE,
  max_y DOUBLE,
  srs_id INTEGER,
  CONSTRAINT fk_gc_r_srs_id FOREIGN KEY (srs_id) REFERENCES gpkg_spatial_ref_sys(srs_id)
);
CREATE TABLE gpkg_geometry_columns (
  table_name TEXT NOT NULL,
  column_name TEXT NOT NULL,
  geometry_type_name TEXT NOT NULL,
  srs_id INTEGER NOT NULL,
  z TINYINT NOT NULL,
  m TINYINT NOT NULL,
  CONSTRAINT pk_geom_cols PRIMARY KEY (table_name, column_name),
  CONSTRAINT uk_gc_table_name UNIQUE (table_name),
  CONSTRAINT fk_gc_tn FOREIGN KEY (table_name) REFERENCES gpkg_contents(table_name),
  CONSTRAINT fk_gc_srs FOREIGN KEY (srs_id) REFERENCES gpkg_spatial_ref_sys (srs_id)
);
INSERT INTO gpkg_spatial_ref_sys VALUES (
  'WGS 84 geodetic', 4326, 'EPSG', 4326,
  'GEOGCS["WGS 84",DATUM["WGS_1984",SPHEROID["WGS 84",6378137,298.257223563,AUTHORITY["EPSG","7030"]],AUTHORITY["EPSG","6326"]],PRIMEM["Greenwich",0,AUTHORITY["EPSG","8901"]],UNIT["degree",0.0174532925199433,AUTHORITY["EPSG","9122"]],AXIS["Latitude",NORTH],AXIS["Longitude",EAST],AUTHORITY["EPSG","4326"]]',
  'longitude/latitude coordinates in decimal degrees on the WGS 84 spheroid');
INSERT INTO gpkg_spatial_ref_sys VALUES (
  'Undefined cartesian SRS', -1, 'NONE', -1, 'undefined',
  'undefined cartesian coordinate reference system');
INSERT INTO gpkg_spatial_ref_sys VALUES (
  'Undefined geographic SRS', 0, 'NONE', 0, 'undefined',
  'undefined geographic coordinate reference system');
)sql";

constexpr const char* kCreateExtensions = R"sql(
CREATE TABLE IF NOT EXISTS gpkg_extensions (
  table_name TEXT,
  column_name TEXT,
  extension_name TEXT NOT NULL,
  definition TEXT NOT NULL,
  scope TEXT NOT NULL,
  CONSTRAINT ge_tce UNIQUE (table_name, column_name, extension_name)
);
)sql";

// `text` with each placeholder "<key>" of `values` replaced, in one pass, so that a value
// holding a placeholder's spelling stays as it is.
std::string Filled(std::string_view text,
                   std::initializer_list<std::pair<std::string_view, std::string>> values) {
    std::string filled;
    std::size_t at = 0;
    while (at < text.size()) {
        bool replaced = false;
        if (text[at] == '<') {
            for (const auto& [key, value] : values) {
                if (text.substr(at).starts_with(key)) {
                    filled += value;
                    at += key.size();
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced) {
            filled += text[at++];
        }
    }
    return filled;
}

// The triggers that keep the spatial index in step with later edits of the table, as the
// standard's extension defines them; <t>, <c>, <i> and <r> stand for the table, the geometry
// column, the primary key and the index table, each quoted.
constexpr const char* kRtreeTriggers = R"sql(
CREATE TRIGGER <n_insert> AFTER INSERT ON <t>
  WHEN (new.<c> NOT NULL AND NOT ST_IsEmpty(NEW.<c>))
BEGIN
  INSERT OR REPLACE INTO <r> VALUES (
    NEW.<i>, ST_MinX(NEW.<c>), ST_MaxX(NEW.<c>), ST_MinY(NEW.<c>), ST_MaxY(NEW.<c>));
END;
CREATE TRIGGER <n_update1> AFTER UPDATE OF <c> ON <t>
  WHEN OLD.<i> = NEW.<i> AND (NEW.<c> NOTNULL AND NOT ST_IsEmpty(NEW.<c>))
BEGIN
  INSERT OR REPLACE INTO <r> VALUES (
    NEW.<i>, ST_MinX(NEW.<c>), ST_MaxX(NEW.<c>), ST_MinY(NEW.<c>), ST_MaxY(NEW.<c>));
END;
CREATE TRIGGER <n_update2> AFTER UPDATE OF <c> ON <t>
  WHEN OLD.<i> = NEW.<i> AND (NEW.<c> ISNULL OR ST_IsEmpty(NEW.<c>))
BEGIN
  DELETE FROM <r> WHERE id = OLD.<i>;
END;
CREATE TRIGGER <n_update3> AFTER UPDATE ON <t>
  WHEN OLD.<i> != NEW.<i> AND (NEW.<c> NOTNULL AND NOT ST_IsEmpty(NEW.<c>))
BEGIN
  DELETE FROM <r> WHERE id = OLD.<i>;
  INSERT OR REPLACE INTO <r> VALUES (
    NEW.<i>, ST_MinX(NEW.<c>), ST_MaxX(NEW.<c>), ST_MinY(NEW.<c>), ST_MaxY(NEW.<c>));
END;
CREATE TRIGGER <n_update4> AFTER UPDATE ON <t>
  WHEN OLD.<i> != NEW.<i> AND (NEW.<c> ISNULL OR ST_IsEmpty(NEW.<c>))
BEGIN
  DELETE FROM <r> WHERE id IN (OLD.<i>, NEW.<i>);
END;
CREATE TRIGGER <n_delete> AFTER DELETE ON <t>
  WHEN old.<c> NOT NULL
BEGIN
  DELETE FROM <r> WHERE id = OLD.<i>;
END;
)sql";

bool TableExists(SqliteDatabase& db, const char* name) {
    SqliteStatement query = db.Prepare(
        "SELECT 1 FROM sqlite_master WHERE type IN ('table', 'view') AND name = ? COLLATE NOCASE");
    query.Bind(1, std::string_view(name));
    return query.Step();
}

std::int64_t NewSrsId(SqliteDatabase& db, const CrsIdentity& crs) {
    if (crs.organization == "EPSG" && crs.code > 0) {
        SqliteStatement taken = db.Prepare("SELECT 1 FROM gpkg_spatial_ref_sys WHERE srs_id = ?");
        taken.Bind(1, std::int64_t{crs.code});
        if (!taken.Step()) {
            return crs.code;
        }
    }
    SqliteStatement largest = db.Prepare("SELECT max(srs_id) FROM gpkg_spatial_ref_sys");
    largest.Step();
    return std::max(kFirstOwnSrsId, largest.Integer(0) + 1);
}

}  // namespace

void CreateGeoPackageTables(SqliteDatabase& db) {
    db.Execute("PRAGMA application_id = " + std::to_string(kApplicationId) +
               "; PRAGMA user_version = " + std::to_string(kUserVersion));
    db.Execute(kCreateTables);
    db.Execute(kCreateExtensions);
}

bool HasGeoPackageTables(SqliteDatabase& db) {
    return TableExists(db, "gpkg_spatial_ref_sys") && TableExists(db, "gpkg_contents");
}

void EnsureExtensionsTable(SqliteDatabase& db) {
    db.Execute(kCreateExtensions);
}

std::int32_t SpatialReferenceId(SqliteDatabase& db, const CrsIdentity& crs) {
    const bool identified = !crs.organization.empty() && crs.code > 0;
    SqliteStatement known = db.Prepare(
        identified ? "SELECT srs_id FROM gpkg_spatial_ref_sys WHERE organization = ? COLLATE "
                     "NOCASE AND organization_coordsys_id = ?"
                   : "SELECT srs_id FROM gpkg_spatial_ref_sys WHERE definition = ?");
    if (identified) {
        known.Bind(1, std::string_view(crs.organization));
        known.Bind(2, std::int64_t{crs.code});
    } else {
        known.Bind(1, std::string_view(crs.wkt));
    }
    if (known.Step()) {
        return static_cast<std::int32_t>(known.Integer(0));
    }
    const std::int64_t srsId = NewSrsId(db, crs);
    SqliteStatement add = db.Prepare(
        "INSERT INTO gpkg_spatial_ref_sys (srs_name, srs_id, organization, "
        "organization_coordsys_id, definition, description) VALUES (?, ?, ?, ?, ?, NULL)");
    add.Bind(1, std::string_view(crs.name.empty() ? "Unnamed" : crs.name));
    add.Bind(2, srsId);
    add.Bind(3, std::string_view(identified ? crs.organization : "NONE"));
    add.Bind(4, identified ? std::int64_t{crs.code} : srsId);
    add.Bind(5, std::string_view(crs.wkt));
    add.Run();
    return static_cast<std::int32_t>(srsId);
}

std::optional<EarlierLayer> FindLayer(SqliteDatabase& db, const std::string& table) {
    SqliteStatement contents = db.Prepare(
        "SELECT table_name, data_type FROM gpkg_contents WHERE table_name = ? "
        "COLLATE NOCASE");
    contents.Bind(1, std::string_view(table));
    if (!contents.Step()) {
        SqliteStatement other =
            db.Prepare("SELECT name FROM sqlite_master WHERE name = ? COLLATE NOCASE");
        other.Bind(1, std::string_view(table));
        if (other.Step()) {
            throw GeoPackageError("'" + db.File() + "' has a table '" + other.Text(0) +
                                  "' that is no layer: it is not replaced; choose another "
                                  "name with --layer");
        }
        return std::nullopt;
    }
    EarlierLayer layer{contents.Text(0), contents.Text(1), std::nullopt};
    SqliteStatement geometry =
        db.Prepare("SELECT column_name FROM gpkg_geometry_columns WHERE table_name = ?");
    geometry.Bind(1, std::string_view(layer.table));
    if (geometry.Step()) {
        layer.geometryColumn = geometry.Text(0);
    }
    return layer;
}

void DropFeatureTable(SqliteDatabase& db, const EarlierLayer& layer) {
    if (layer.geometryColumn) {
        db.Execute("DROP TABLE IF EXISTS " +
                   QuotedIdentifier("rtree_" + layer.table + "_" + *layer.geometryColumn));
    }
    db.Execute("DROP TABLE IF EXISTS " + QuotedIdentifier(layer.table));
    // Rows of the standard's tables, and of GDAL's feature counts, that describe the table.
    for (const char* described : {"gpkg_extensions", "gpkg_geometry_columns", "gpkg_data_columns",
                                  "gpkg_ogr_contents", "gpkg_metadata_reference"}) {
        if (TableExists(db, described)) {
            SqliteStatement remove =
                db.Prepare("DELETE FROM " + std::string(described) + " WHERE table_name = ?");
            remove.Bind(1, std::string_view(layer.table));
            remove.Run();
        }
    }
    SqliteStatement remove = db.Prepare("DELETE FROM gpkg_contents WHERE table_name = ?");
    remove.Bind(1, std::string_view(layer.table));
    remove.Run();
}

std::string RtreeName(const std::string& table) {
    return std::string("rtree_") + table + "_" + kGeometryColumn;
}

void RegisterLayer(SqliteDatabase& db, const GeoPackageLayerDefinition& definition,
                   std::int32_t srsId, const std::optional<Box>& extent) {
    SqliteStatement contents = db.Prepare(
        "INSERT INTO gpkg_contents (table_name, data_type, identifier, description, "
        "last_change, min_x, min_y, max_x, max_y, srs_id) VALUES (?, 'features', ?, '', "
        "strftime('%Y-%m-%dT%H:%M:%fZ', 'now'), ?, ?, ?, ?, ?)");
    contents.Bind(1, std::string_view(definition.table));
    contents.Bind(2, std::string_view(definition.table));
    if (extent) {
        contents.Bind(3, extent->minX);
        contents.Bind(4, extent->minY);
        contents.Bind(5, extent->maxX);
        contents.Bind(6, extent->maxY);
    }
    contents.Bind(7, std::int64_t{srsId});
    contents.Run();

    SqliteStatement geometry =
        db.Prepare("INSERT INTO gpkg_geometry_columns VALUES (?, ?, ?, ?, 0, 0)");
    geometry.Bind(1, std::string_view(definition.table));
    geometry.Bind(2, std::string_view(kGeometryColumn));
    geometry.Bind(3, std::string_view(definition.polygons ? "POLYGON" : "POINT"));
    geometry.Bind(4, std::int64_t{srsId});
    geometry.Run();

    SqliteStatement extension = db.Prepare(
        "INSERT INTO gpkg_extensions VALUES (?, ?, 'gpkg_rtree_index', "
        "'http://www.geopackage.org/spec120/#extension_rtree', 'write-only')");
    extension.Bind(1, std::string_view(definition.table));
    extension.Bind(2, std::string_view(kGeometryColumn));
    extension.Run();

    const std::string rtree = RtreeName(definition.table);
    const auto trigger = [&rtree](const char* kind) {
        return QuotedIdentifier(rtree + "_" + kind);
    };
    const std::string triggers =
        Filled(kRtreeTriggers, {{"<n_insert>", trigger("insert")},
                                {"<n_update1>", trigger("update1")},
                                {"<n_update2>", trigger("update2")},
                                {"<n_update3>", trigger("update3")},
                                {"<n_update4>", trigger("update4")},
                                {"<n_delete>", trigger("delete")},
                                {"<t>", QuotedIdentifier(definition.table)},
                                {"<c>", QuotedIdentifier(kGeometryColumn)},
                                {"<i>", QuotedIdentifier(kFidColumn)},
                                {"<r>", QuotedIdentifier(rtree)}});
    db.Execute(triggers);
}

}  // namespace tesselar
