#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace tesselar {

// Comparisons that ignore case as file systems' extensions, GIS column names and EPSG codes
// do: ASCII letters only, whatever the user's locale, so UTF-8 bytes are never altered.
inline char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string AsciiLowercase(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), AsciiLower);
    return lower;
}

inline bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

}  // namespace tesselar
