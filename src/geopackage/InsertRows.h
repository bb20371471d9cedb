#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "geopackage/Sqlite.h"

namespace tesselar {

// Inserts `rows` rows of `columns` parameters each through `insert` ("INSERT INTO ... VALUES "):
// `perInsert` rows in one statement, which costs SQLite far less than as many statements of one
// row, then the rest one by one. bindRow(statement, first parameter, row) binds row `row`.
template <typename BindRow>
void InsertRows(const SqliteDatabase& db, std::string_view insert, int columns, std::uint64_t rows,
                int perInsert, BindRow bindRow) {
    std::string row = "(?";
    for (int c = 1; c < columns; ++c) {
        row += ", ?";
    }
    row += ")";
    std::string many = std::string(insert) + row;
    for (int r = 1; r < perInsert; ++r) {
        many += ", " + row;
    }
    SqliteStatement manyRows = db.Prepare(many);
    SqliteStatement oneRow = db.Prepare(std::string(insert) + row);
    const auto batch = static_cast<std::uint64_t>(perInsert);
    std::uint64_t first = 0;
    for (; rows - first >= batch; first += batch) {
        for (int r = 0; r < perInsert; ++r) {
            bindRow(manyRows, 1 + r * columns, first + static_cast<std::uint64_t>(r));
        }
        manyRows.Run();
    }
    for (; first < rows; ++first) {
        bindRow(oneRow, 1, first);
        oneRow.Run();
    }
}

}  // namespace tesselar
