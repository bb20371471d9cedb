#include "controls/shapefile/DbfFieldNames.h"

#include <algorithm>
#include <string_view>

#include "conversion/AsciiCase.h"
#include "conversion/Utf8.h"

namespace tesselar {

namespace {

bool IsTaken(std::string_view name, const std::vector<std::string>& taken) {
    return std::ranges::any_of(
        taken, [name](const std::string& other) { return EqualIgnoringAsciiCase(name, other); });
}

// The longest start of `text` of at most `maxBytes` bytes that ends on a whole UTF-8 character.
std::string_view Utf8Prefix(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) {
        return text;
    }
    std::size_t end = maxBytes;
    while (end > 0 && IsUtf8Continuation(text[end])) {
        --end;
    }
    return text.substr(0, end);
}

// Readers drop blanks at the end of a column name, so a name shortened to end in one would
// read differently in different programs.
std::string_view TrimTrailingBlanks(std::string_view name) {
    while (!name.empty() && name.back() == ' ') {
        name.remove_suffix(1);
    }
    return name;
}

// The name as the .dbf holds it, not yet made unique.
std::string_view ShortenedName(std::string_view name) {
    const std::string_view shortened = TrimTrailingBlanks(Utf8Prefix(name, kDbfFieldNameBytes));
    return shortened.empty() ? "FIELD" : shortened;
}

std::string UniqueName(std::string_view base, const std::vector<std::string>& taken) {
    if (!IsTaken(base, taken)) {
        return std::string(base);
    }
    for (std::size_t number = 1;; ++number) {
        const std::string suffix = "_" + std::to_string(number);
        std::string candidate(
            TrimTrailingBlanks(Utf8Prefix(base, kDbfFieldNameBytes - suffix.size())));
        candidate += suffix;
        if (!IsTaken(candidate, taken)) {
            return candidate;
        }
    }
}

}  // namespace

std::vector<DbfColumnName> DbfColumnNames(const std::vector<std::string>& names) {
    std::vector<DbfColumnName> columns;
    columns.reserve(names.size());
    std::vector<std::string> taken;
    for (const std::string& name : names) {
        auto& column = columns.emplace_back(DbfColumnName{name, {}});
        if (ShortenedName(name) == name && !IsTaken(name, taken)) {
            column.stored = name;
            taken.push_back(name);
        }
    }
    for (DbfColumnName& column : columns) {
        if (column.stored.empty()) {
            column.stored = UniqueName(ShortenedName(column.name), taken);
            taken.push_back(column.stored);
        }
    }
    return columns;
}

}  // namespace tesselar
