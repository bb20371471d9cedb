#include "readers/GridSize.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

#include "readers/AsciiCharacters.h"

namespace tesselar {

namespace {

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::size_t CountDigits(std::string_view text, std::size_t from) {
    std::size_t count = 0;
    while (from + count < text.size() && IsDigit(text[from + count])) {
        ++count;
    }
    return count;
}

// Whether the whole text is digits with an optional "." fraction and an optional exponent.
bool IsUnsignedDecimal(std::string_view text) {
    std::size_t pos = CountDigits(text, 0);
    std::size_t mantissaDigits = pos;
    if (pos < text.size() && text[pos] == '.') {
        const std::size_t fraction = CountDigits(text, pos + 1);
        mantissaDigits += fraction;
        pos += 1 + fraction;
    }
    if (mantissaDigits == 0) {
        return false;
    }
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        ++pos;
        if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
            ++pos;
        }
        const std::size_t exponentDigits = CountDigits(text, pos);
        if (exponentDigits == 0) {
            return false;
        }
        pos += exponentDigits;
    }
    return pos == text.size();
}

}  // namespace

std::optional<double> ParseGridSize(std::string_view text) {
    text = TrimBlanks(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (!IsUnsignedDecimal(text)) {
        return std::nullopt;
    }
    double value = 0.0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // Only a negative exponent makes a number too small for a double: it is as good as 0.
        const std::size_t exponent = text.find_first_of("eE");
        const bool tiny = exponent != std::string_view::npos && text[exponent + 1] == '-';
        value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    }
    return negative ? -value : value;
}

double GridExtent(double size) {
    return std::nearbyint(size - 1.0);
}

}  // namespace tesselar
