#include "geopackage/Sqlite.h"

#include "geopackage/GeoPackageError.h"

namespace tesselar {

namespace {

[[noreturn]] void ThrowSqlite(sqlite3* db, int code, const std::string& file) {
    const char* message = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(code);
    throw GeoPackageError("cannot write the GeoPackage '" + file + "': SQLite says: " +
                          (message != nullptr ? message : sqlite3_errstr(code)));
}

}  // namespace

SqliteStatement::SqliteStatement(sqlite3* db, std::string_view sql, const std::string& file)
    : db_(db), file_(file) {
    const int code =
        sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &statement_, nullptr);
    if (code != SQLITE_OK) {
        ThrowSqlite(db_, code, file_);
    }
}

SqliteStatement::~SqliteStatement() {
    sqlite3_finalize(statement_);
}

void SqliteStatement::Fail(int code) const {
    ThrowSqlite(db_, code, file_);
}

void SqliteStatement::Bind(int parameter, std::int64_t value) {
    if (const int code = sqlite3_bind_int64(statement_, parameter, value); code != SQLITE_OK) {
        Fail(code);
    }
}

void SqliteStatement::Bind(int parameter, double value) {
    if (const int code = sqlite3_bind_double(statement_, parameter, value); code != SQLITE_OK) {
        Fail(code);
    }
}

void SqliteStatement::Bind(int parameter, std::string_view text) {
    const int code = sqlite3_bind_text(statement_, parameter, text.data(),
                                       static_cast<int>(text.size()), SQLITE_TRANSIENT);
    if (code != SQLITE_OK) {
        Fail(code);
    }
}

void SqliteStatement::BindBlob(int parameter, const void* data, int size) {
    if (const int code = sqlite3_bind_blob(statement_, parameter, data, size, SQLITE_STATIC);
        code != SQLITE_OK) {
        Fail(code);
    }
}

void SqliteStatement::BindNull(int parameter) {
    if (const int code = sqlite3_bind_null(statement_, parameter); code != SQLITE_OK) {
        Fail(code);
    }
}

bool SqliteStatement::Step() {
    const int code = sqlite3_step(statement_);
    if (code == SQLITE_ROW) {
        return true;
    }
    if (code != SQLITE_DONE) {
        Fail(code);
    }
    return false;
}

void SqliteStatement::Run() {
    Step();
    Reset();
}

void SqliteStatement::Reset() {
    sqlite3_reset(statement_);
}

std::int64_t SqliteStatement::Integer(int column) const {
    return sqlite3_column_int64(statement_, column);
}

double SqliteStatement::Real(int column) const {
    return sqlite3_column_double(statement_, column);
}

std::string SqliteStatement::Text(int column) const {
    const unsigned char* text = sqlite3_column_text(statement_, column);
    return text != nullptr ? reinterpret_cast<const char*>(text) : "";
}

bool SqliteStatement::IsNull(int column) const {
    return sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

SqliteDatabase::SqliteDatabase(const std::string& path, bool create, std::string file)
    : file_(std::move(file)) {
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) |
                      SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE;
    const int code = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
    if (code != SQLITE_OK) {
        const std::string message = db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(code);
        sqlite3_close(db_);
        db_ = nullptr;
        throw GeoPackageError("cannot open the GeoPackage '" + file_ +
                              "': SQLite says: " + message);
    }
}

SqliteDatabase::~SqliteDatabase() {
    // Closing with a transaction open rolls it back.
    sqlite3_close_v2(db_);
}

void SqliteDatabase::Execute(const std::string& sql) {
    char* message = nullptr;
    const int code = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message);
    if (code != SQLITE_OK) {
        const std::string text = message != nullptr ? message : sqlite3_errstr(code);
        sqlite3_free(message);
        throw GeoPackageError("cannot write the GeoPackage '" + file_ + "': SQLite says: " + text);
    }
}

SqliteStatement SqliteDatabase::Prepare(std::string_view sql) const {
    return SqliteStatement(db_, sql, file_);
}

void SqliteDatabase::Close() {
    const int code = sqlite3_close(db_);
    if (code != SQLITE_OK) {
        ThrowSqlite(db_, code, file_);
    }
    db_ = nullptr;
}

std::string QuotedIdentifier(std::string_view name) {
    std::string quoted = "\"";
    for (const char c : name) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + "\"";
}

}  // namespace tesselar
