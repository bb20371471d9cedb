// Reads the fuzz input as one value line and checks what comes out: a finite number that is
// already rounded to hundredths, the same number a plain reading of its decimal digits gives,
// and errors only as ConversionError.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "conversion/ConversionError.h"
#include "readers/LineValue.h"

namespace {

using tesselar::ReadLineValue;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The line with every byte outside printable ASCII escaped, and a double with all its digits.
std::string Printable(std::string_view bytes) {
    std::string text;
    for (const char c : bytes.substr(0, 200)) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, c >= 0x20 && c < 0x7F ? "%c" : "\\x%02X",
                      static_cast<unsigned char>(c));
        text += escaped;
    }
    return text;
}

std::string Text(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.17g", value);
    return buffer;
}

// `digits` with the decimal point after `point` of them, rounded to hundredths on the digits as
// written, halves to the even hundredth. Returns the rounded decimal as text.
std::string RoundDecimalToHundredths(std::string digits, std::int64_t point) {
    if (point < 0) {
        digits.insert(0, static_cast<std::size_t>(-point), '0');
        point = 0;
    }
    if (point > static_cast<std::int64_t>(digits.size())) {
        digits.append(static_cast<std::size_t>(point) - digits.size(), '0');
    }
    const auto split = static_cast<std::size_t>(point);
    std::string kept = digits.substr(0, split) + (digits.substr(split) + "00").substr(0, 2);
    const std::string rest = split + 2 < digits.size() ? digits.substr(split + 2) : "";
    bool up = false;
    if (!rest.empty() && rest[0] > '5') {
        up = true;
    } else if (!rest.empty() && rest[0] == '5') {
        const bool exactHalf = rest.find_first_not_of('0', 1) == std::string::npos;
        up = !exactHalf || (kept.back() - '0') % 2 == 1;
    }
    if (up) {
        std::size_t i = kept.size();
        while (i > 0 && kept[i - 1] == '9') {
            kept[--i] = '0';
        }
        if (i == 0) {
            kept.insert(0, 1, '1');
        } else {
            ++kept[i - 1];
        }
    }
    const std::size_t wholeDigits = kept.size() - 2;
    return (wholeDigits == 0 ? "0" : kept.substr(0, wholeDigits)) + "." + kept.substr(wholeDigits);
}

// The value of a line holding a decimal number (sign, digits, at most one point, an optional
// exponent), worked out on its digits with strtod as the final conversion. Empty for the
// notations this reference does not cover (&H, &O, huge exponents).
std::optional<double> ReferenceValue(std::string_view line) {
    std::string s(line);
    std::erase_if(s, [](char c) { return c == ' ' || c == '\t' || c == '\n'; });
    std::size_t pos = 0;
    bool negative = false;
    if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) {
        negative = s[pos] == '-';
        ++pos;
    }
    if (pos < s.size() && s[pos] == '&') {
        return std::nullopt;
    }
    std::string digits;
    while (pos < s.size() && IsDigit(s[pos])) {
        digits += s[pos++];
    }
    auto point = static_cast<std::int64_t>(digits.size());
    if (pos < s.size() && s[pos] == '.') {
        ++pos;
        while (pos < s.size() && IsDigit(s[pos])) {
            digits += s[pos++];
        }
    }
    if (digits.empty()) {
        return 0.0;
    }
    // An exponent counts only with at least one digit.
    if (pos < s.size() && (s[pos] == 'E' || s[pos] == 'e' || s[pos] == 'D' || s[pos] == 'd')) {
        std::size_t p = pos + 1;
        bool negativeExponent = false;
        if (p < s.size() && (s[p] == '+' || s[p] == '-')) {
            negativeExponent = s[p] == '-';
            ++p;
        }
        if (p < s.size() && IsDigit(s[p])) {
            std::int64_t exponent = 0;
            while (p < s.size() && IsDigit(s[p])) {
                exponent = exponent * 10 + (s[p++] - '0');
                if (exponent > 5000) {
                    return std::nullopt;
                }
            }
            point += negativeExponent ? -exponent : exponent;
        }
    }
    const std::string rounded = (negative ? "-" : "") + RoundDecimalToHundredths(digits, point);
    return std::strtod(rounded.c_str(), nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    double value = 0.0;
    bool inRange = false;
    try {
        inRange = ReadLineValue(line, value);
    } catch (const tesselar::ConversionError&) {
        return 0;
    }

    const std::optional<double> reference = ReferenceValue(line);
    if (reference) {
        FUZZ_CHECK(inRange == std::isfinite(*reference), "'" + Printable(line) + "': in range " +
                                                             std::to_string(inRange) +
                                                             ", reference " + Text(*reference));
    }
    if (!inRange) {
        return 0;
    }
    const std::string context = "'" + Printable(line) + "' read as " + Text(value);
    FUZZ_CHECK(std::isfinite(value), context);
    FUZZ_CHECK(!(value == 0.0 && std::signbit(value)), context + ": negative zero");
    if (reference) {
        FUZZ_CHECK(value == *reference, context + ", reference " + Text(*reference));
    }

    // Already rounded to hundredths: its text with 2 decimals names the same double, and reading
    // that text gives it back.
    char hundredths[400];
    std::snprintf(hundredths, sizeof hundredths, "%.2f", value);
    FUZZ_CHECK(std::strtod(hundredths, nullptr) == value,
               context + ": not a hundredth (" + hundredths + ")");
    double again = 0.0;
    FUZZ_CHECK(ReadLineValue(hundredths, again) && again == value,
               context + ": its own text '" + hundredths + "' reads as " + Text(again));
    return 0;
}
