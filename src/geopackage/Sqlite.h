#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace tesselar {

// One prepared SQLite statement. Every failure throws GeoPackageError naming `file`.
class SqliteStatement {
public:
    SqliteStatement(sqlite3* db, std::string_view sql, const std::string& file);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    // Parameters are numbered from 1.
    void Bind(int parameter, std::int64_t value);
    void Bind(int parameter, double value);
    void Bind(int parameter, std::string_view text);
    void BindBlob(int parameter, const void* data, int size);
    void BindNull(int parameter);
    // Runs the statement to its next row: true while there is one.
    bool Step();
    // Runs a statement that returns no row, then makes it ready to run again.
    void Run();
    void Reset();
    std::int64_t Integer(int column) const;
    double Real(int column) const;
    std::string Text(int column) const;
    bool IsNull(int column) const;

private:
    [[noreturn]] void Fail(int code) const;

    sqlite3* db_;
    sqlite3_stmt* statement_ = nullptr;
    const std::string& file_;
};

// An open SQLite database file; closed when destroyed.
class SqliteDatabase {
public:
    // Opens the file at `path` for reading and writing, creating it when `create`; `file` is
    // how messages name it.
    SqliteDatabase(const std::string& path, bool create, std::string file);
    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;

    // Runs one or more statements that return no rows.
    void Execute(const std::string& sql);
    SqliteStatement Prepare(std::string_view sql) const;
    // Closes the file, reporting what SQLite says.
    void Close();
    sqlite3* Handle() const { return db_; }
    const std::string& File() const { return file_; }

private:
    sqlite3* db_ = nullptr;
    std::string file_;
};

// `name` as an SQL identifier, in double quotes.
std::string QuotedIdentifier(std::string_view name);

}  // namespace tesselar
