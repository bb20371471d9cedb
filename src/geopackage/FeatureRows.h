#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "geopackage/Sqlite.h"

namespace tesselar {

// Inserts the rows of a new feature table (fid, geom, the integer columns, the real columns)
// many at a time: one INSERT of kRowsPerInsert rows costs SQLite far less than as many INSERTs
// of one row. The rows get the fids 1, 2 ... in the order added. Every value of a row is set
// before Add.
class FeatureRows {
public:
    FeatureRows(SqliteDatabase& db, std::string table, int integerColumns, int realColumns);

    void SetInteger(int column, std::int64_t value) {
        integers_[Slot(integerColumns_) + static_cast<std::size_t>(column)] = value;
    }
    void SetReal(int column, double value) {
        const std::size_t slot = Slot(realColumns_) + static_cast<std::size_t>(column);
        reals_[slot] = value;
        nulls_[slot] = false;
    }
    void SetNull(int column) {
        nulls_[Slot(realColumns_) + static_cast<std::size_t>(column)] = true;
    }
    // Adds the row with this geometry (GeoPackage binary).
    void Add(std::span<const unsigned char> geometry);
    // Inserts the rows added and not yet inserted.
    void Flush();

private:
    static constexpr int kRowsPerInsert = 64;

    std::size_t Slot(int columns) const {
        return static_cast<std::size_t>(pending_) * static_cast<std::size_t>(columns);
    }
    std::unique_ptr<SqliteStatement> Insert(int rows) const;
    void Run(SqliteStatement& insert, int rows);

    SqliteDatabase& db_;
    std::string table_;
    int integerColumns_;
    int realColumns_;
    std::unique_ptr<SqliteStatement> fullInsert_;
    int pending_ = 0;
    std::vector<unsigned char> geometries_;
    std::vector<int> geometryBytes_;
    std::vector<std::int64_t> integers_;
    std::vector<double> reals_;
    std::vector<bool> nulls_;
};

}  // namespace tesselar
