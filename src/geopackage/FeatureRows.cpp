#include "geopackage/FeatureRows.h"

#include <algorithm>

#include "geopackage/GeoPackageError.h"
#include "geopackage/GeoPackageGeometry.h"

namespace tesselar {

namespace {

constexpr std::size_t kGeometrySlot = GeoPackageGeometry::kMaxBytes;

}  // namespace

FeatureRows::FeatureRows(SqliteDatabase& db, std::string table, int integerColumns, int realColumns)
    : db_(db),
      table_(std::move(table)),
      integerColumns_(integerColumns),
      realColumns_(realColumns),
      geometries_(kRowsPerInsert * kGeometrySlot),
      geometryBytes_(kRowsPerInsert),
      integers_(static_cast<std::size_t>(kRowsPerInsert * integerColumns)),
      reals_(static_cast<std::size_t>(kRowsPerInsert * realColumns)),
      nulls_(static_cast<std::size_t>(kRowsPerInsert * realColumns)) {
    fullInsert_ = Insert(kRowsPerInsert);
}

std::unique_ptr<SqliteStatement> FeatureRows::Insert(int rows) const {
    // fid NULL: SQLite numbers the rows 1, 2 ... of a new table itself, appending each without
    // first looking the number up.
    std::string row = "(NULL, ?";
    for (int c = 0; c < integerColumns_ + realColumns_; ++c) {
        row += ", ?";
    }
    row += ")";
    std::string sql = "INSERT INTO " + QuotedIdentifier(table_) + " VALUES " + row;
    for (int r = 1; r < rows; ++r) {
        sql += ", " + row;
    }
    return std::make_unique<SqliteStatement>(db_.Handle(), sql, db_.File());
}

void FeatureRows::Add(std::span<const unsigned char> geometry) {
    if (geometry.size() > kGeometrySlot) {
        throw GeoPackageError("cannot write the GeoPackage '" + db_.File() + "': a geometry of " +
                              std::to_string(geometry.size()) + " bytes is larger than a cell's");
    }
    const auto row = static_cast<std::size_t>(pending_);
    std::copy(geometry.begin(), geometry.end(), geometries_.data() + row * kGeometrySlot);
    geometryBytes_[row] = static_cast<int>(geometry.size());
    if (++pending_ == kRowsPerInsert) {
        Run(*fullInsert_, kRowsPerInsert);
    }
}

void FeatureRows::Flush() {
    if (pending_ > 0) {
        Run(*Insert(pending_), pending_);
    }
}

void FeatureRows::Run(SqliteStatement& insert, int rows) {
    int parameter = 1;
    for (int r = 0; r < rows; ++r) {
        const auto row = static_cast<std::size_t>(r);
        insert.BindBlob(parameter++, geometries_.data() + row * kGeometrySlot, geometryBytes_[row]);
        for (int c = 0; c < integerColumns_; ++c) {
            insert.Bind(parameter++, integers_[row * static_cast<std::size_t>(integerColumns_) +
                                               static_cast<std::size_t>(c)]);
        }
        for (int c = 0; c < realColumns_; ++c) {
            const std::size_t slot =
                row * static_cast<std::size_t>(realColumns_) + static_cast<std::size_t>(c);
            if (nulls_[slot]) {
                insert.BindNull(parameter++);
            } else {
                insert.Bind(parameter++, reals_[slot]);
            }
        }
    }
    insert.Run();
    pending_ = 0;
}

}  // namespace tesselar
