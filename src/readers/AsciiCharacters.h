#pragma once

#include <string_view>

namespace tesselar {

// The characters the header scan and the value reader look for, in ASCII whatever the
// user's locale, so that bytes of UTF-8 text never count as blanks or digits.

// A blank within a header or value line: a space or a tab.
constexpr bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Whether `text` holds nothing but blanks.
constexpr bool IsBlankText(std::string_view text) {
    return text.find_first_not_of(" \t") == std::string_view::npos;
}

constexpr bool IsDigit(char c) {
    return static_cast<unsigned>(c - '0') < 10U;
}

}  // namespace tesselar
