#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "geopackage/GeoPackageGeometry.h"
#include "geopackage/Sqlite.h"

namespace tesselar {

// Inserts the rows of a new feature table (fid, geom, the integer, text and real columns)
// many at a time: one INSERT of kRowsPerInsert rows costs SQLite far less than as many INSERTs
// of one row. The rows get the fids 1, 2 ... in the order added. Every value of a row is set
// before Add.
//
// SQLite inserts the rows on a thread of its own while the caller makes the next ones: rows
// are handed over in batches, a few of which are in flight at a time. From construction until
// Flush has returned or the object is destroyed, only that thread uses the database.
class FeatureRows {
public:
    FeatureRows(SqliteDatabase& db, std::string table, int integerColumns, int textColumns,
                int realColumns);
    ~FeatureRows();
    FeatureRows(const FeatureRows&) = delete;
    FeatureRows& operator=(const FeatureRows&) = delete;

    void SetInteger(int column, std::int64_t value) {
        filling_->integers[Slot(integerColumns_) + static_cast<std::size_t>(column)] = value;
    }
    // The text keeps its buffer from row to row, so that setting it allocates nothing.
    void SetText(int column, const std::string& value) {
        filling_->texts[Slot(textColumns_) + static_cast<std::size_t>(column)] = value;
    }
    void SetReal(int column, double value) {
        const std::size_t slot = Slot(realColumns_) + static_cast<std::size_t>(column);
        filling_->reals[slot] = value;
        filling_->nulls[slot] = 0;
    }
    void SetNull(int column) {
        filling_->nulls[Slot(realColumns_) + static_cast<std::size_t>(column)] = 1;
    }
    // Where the next row's geometry (GeoPackage binary) goes: room for kGeometryBytes.
    unsigned char* Geometry() {
        return filling_->geometries.data() +
               static_cast<std::size_t>(filling_->rows) * kGeometryBytes;
    }
    // Adds the row, its geometry written to Geometry(), `geometryBytes` long.
    void Add(std::size_t geometryBytes);

    static constexpr std::size_t kGeometryBytes = GeoPackageGeometry::kMaxBytes;
    // Inserts every row added, and ends the inserting thread; throws what it met.
    void Flush();

private:
    static constexpr int kRowsPerInsert = 256;
    static constexpr int kRowsPerBatch = 4 * kRowsPerInsert;
    static constexpr int kBatches = 4;

    struct Batch {
        int rows = 0;
        std::vector<unsigned char> geometries;
        std::vector<int> geometryBytes;
        std::vector<std::int64_t> integers;
        std::vector<std::string> texts;
        std::vector<double> reals;
        std::vector<unsigned char> nulls;
    };

    std::size_t Slot(int columns) const {
        return static_cast<std::size_t>(filling_->rows) * static_cast<std::size_t>(columns);
    }
    // Hands the batch being filled to the inserting thread and takes a free one.
    void HandOver();
    void InsertBatches();
    std::unique_ptr<SqliteStatement> Insert(int rows) const;
    void Run(SqliteStatement& insert, const Batch& batch, int first, int rows);
    void Stop();

    SqliteDatabase& db_;
    std::string table_;
    int integerColumns_;
    int textColumns_;
    int realColumns_;
    std::unique_ptr<SqliteStatement> fullInsert_;
    std::vector<Batch> batches_;
    Batch* filling_ = nullptr;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Batch*> free_;
    std::vector<Batch*> full_;  // in the order filled
    bool ending_ = false;       // no batch follows those handed over
    bool abandoned_ = false;    // the rows are not wanted any more
    std::exception_ptr failure_;
    std::thread inserter_;
};

}  // namespace tesselar
