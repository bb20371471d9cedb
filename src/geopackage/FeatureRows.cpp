#include "geopackage/FeatureRows.h"

#include "geopackage/GeoPackageError.h"

namespace tesselar {

FeatureRows::FeatureRows(SqliteDatabase& db, std::string table, int integerColumns, int textColumns,
                         int realColumns)
    : db_(db),
      table_(std::move(table)),
      integerColumns_(integerColumns),
      textColumns_(textColumns),
      realColumns_(realColumns),
      batches_(kBatches) {
    fullInsert_ = Insert(kRowsPerInsert);
    for (Batch& batch : batches_) {
        batch.geometries.resize(kRowsPerBatch * kGeometryBytes);
        batch.geometryBytes.resize(kRowsPerBatch);
        batch.integers.resize(static_cast<std::size_t>(kRowsPerBatch * integerColumns));
        batch.texts.resize(static_cast<std::size_t>(kRowsPerBatch * textColumns));
        batch.reals.resize(static_cast<std::size_t>(kRowsPerBatch * realColumns));
        batch.nulls.resize(static_cast<std::size_t>(kRowsPerBatch * realColumns));
        free_.push_back(&batch);
    }
    filling_ = free_.back();
    free_.pop_back();
    inserter_ = std::thread([this] { InsertBatches(); });
}

FeatureRows::~FeatureRows() {
    {
        const std::lock_guard lock(mutex_);
        abandoned_ = true;
    }
    Stop();
}

std::unique_ptr<SqliteStatement> FeatureRows::Insert(int rows) const {
    // fid NULL: SQLite numbers the rows 1, 2 ... of a new table itself, appending each without
    // first looking the number up.
    std::string row = "(NULL, ?";
    for (int c = 0; c < integerColumns_ + textColumns_ + realColumns_; ++c) {
        row += ", ?";
    }
    row += ")";
    std::string sql = "INSERT INTO " + QuotedIdentifier(table_) + " VALUES " + row;
    for (int r = 1; r < rows; ++r) {
        sql += ", " + row;
    }
    return std::make_unique<SqliteStatement>(db_.Handle(), sql, db_.File());
}

void FeatureRows::Add(std::size_t geometryBytes) {
    if (geometryBytes > kGeometryBytes) {
        throw GeoPackageError("cannot write the GeoPackage '" + db_.File() + "': a geometry of " +
                              std::to_string(geometryBytes) + " bytes is larger than a cell's");
    }
    filling_->geometryBytes[static_cast<std::size_t>(filling_->rows)] =
        static_cast<int>(geometryBytes);
    if (++filling_->rows == kRowsPerBatch) {
        HandOver();
    }
}

void FeatureRows::HandOver() {
    std::unique_lock lock(mutex_);
    full_.push_back(filling_);
    filling_ = nullptr;
    changed_.notify_all();
    changed_.wait(lock, [this] { return !free_.empty() || failure_; });
    if (failure_) {
        std::rethrow_exception(failure_);
    }
    filling_ = free_.back();
    free_.pop_back();
}

void FeatureRows::Flush() {
    {
        const std::lock_guard lock(mutex_);
        if (filling_->rows > 0) {
            full_.push_back(filling_);
        }
        filling_ = nullptr;
        ending_ = true;
        changed_.notify_all();
    }
    Stop();
    if (failure_) {
        std::rethrow_exception(failure_);
    }
}

void FeatureRows::Stop() {
    if (inserter_.joinable()) {
        {
            const std::lock_guard lock(mutex_);
            ending_ = true;
            changed_.notify_all();
        }
        inserter_.join();
    }
}

void FeatureRows::InsertBatches() {
    std::unique_lock lock(mutex_);
    while (true) {
        changed_.wait(lock, [this] { return !full_.empty() || ending_ || abandoned_; });
        if (abandoned_ || full_.empty()) {
            return;
        }
        Batch* batch = full_.front();
        full_.erase(full_.begin());
        lock.unlock();
        try {
            int first = 0;
            for (; batch->rows - first >= kRowsPerInsert; first += kRowsPerInsert) {
                Run(*fullInsert_, *batch, first, kRowsPerInsert);
            }
            if (first < batch->rows) {
                Run(*Insert(batch->rows - first), *batch, first, batch->rows - first);
            }
        } catch (...) {
            lock.lock();
            failure_ = std::current_exception();
            changed_.notify_all();
            return;
        }
        batch->rows = 0;
        lock.lock();
        free_.push_back(batch);
        changed_.notify_all();
    }
}

void FeatureRows::Run(SqliteStatement& insert, const Batch& batch, int first, int rows) {
    int parameter = 1;
    for (int r = first; r < first + rows; ++r) {
        const auto row = static_cast<std::size_t>(r);
        insert.BindBlob(parameter++, batch.geometries.data() + row * kGeometryBytes,
                        batch.geometryBytes[row]);
        for (int c = 0; c < integerColumns_; ++c) {
            insert.Bind(parameter++,
                        batch.integers[row * static_cast<std::size_t>(integerColumns_) +
                                       static_cast<std::size_t>(c)]);
        }
        for (int c = 0; c < textColumns_; ++c) {
            insert.Bind(parameter++,
                        std::string_view(batch.texts[row * static_cast<std::size_t>(textColumns_) +
                                                     static_cast<std::size_t>(c)]));
        }
        for (int c = 0; c < realColumns_; ++c) {
            const std::size_t slot =
                row * static_cast<std::size_t>(realColumns_) + static_cast<std::size_t>(c);
            if (batch.nulls[slot] != 0) {
                insert.BindNull(parameter++);
            } else {
                insert.Bind(parameter++, batch.reals[slot]);
            }
        }
    }
    insert.Run();
}

}  // namespace tesselar
