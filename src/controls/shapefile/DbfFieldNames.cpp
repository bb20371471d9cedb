#include "controls/shapefile/DbfFieldNames.h"

#include <algorithm>

#include "conversion/Utf8.h"

namespace tesselar {

namespace {

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

bool IsTaken(std::string_view name, const std::vector<std::string>& taken) {
    return std::ranges::any_of(
        taken, [name](const std::string& other) { return EqualIgnoringAsciiCase(name, other); });
}

// Readers drop blanks at the end of a column name, so a name shortened to end in one would
// read differently in different programs.
std::string_view TrimTrailingBlanks(std::string_view name) {
    while (!name.empty() && name.back() == ' ') {
        name.remove_suffix(1);
    }
    return name;
}

}  // namespace

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

std::string DbfFieldName(std::string_view name, const std::vector<std::string>& taken) {
    std::string_view base = TrimTrailingBlanks(Utf8Prefix(name, kDbfFieldNameBytes));
    if (base.empty()) {
        base = "FIELD";
    }
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

}  // namespace tesselar
