#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tesselar {

// A dBASE column name holds at most 10 bytes.
inline constexpr std::size_t kDbfFieldNameBytes = 10;

// A column's name as given and as the .dbf stores it.
struct DbfColumnName {
    std::string name;
    std::string stored;
    // Whether the name was shortened or made unique: a reader finds the column under another
    // name than the one given.
    bool Changed() const { return stored != name; }
};

// The stored names of columns called `names`, in column order, unique ignoring ASCII case (as
// GIS programs compare column names). First every name that the .dbf can hold as it is (at
// most 10 bytes, not empty, no blank at its end) keeps its text, unless an earlier column's
// name already did. Then each other name is shortened to 10 bytes without splitting a UTF-8
// character and without blanks at its end ("FIELD" when nothing is left) and, when that is
// taken, given a suffix "_1", "_2", ... with its start shortened so that the whole still fits.
// So a name that fits is never displaced by another column's shortened name.
std::vector<DbfColumnName> DbfColumnNames(const std::vector<std::string>& names);

}  // namespace tesselar
