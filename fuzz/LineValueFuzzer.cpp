// Reads the fuzz input as one value line and checks what comes out: a finite number that is
// already rounded to hundredths, the same number a plain reading of its decimal digits gives,
// and errors only as ConversionError. The input that breaks a check is kept by libFuzzer.

#include <algorithm>
#include <bit>
#include <cctype>
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

// `digits` with the decimal point after `point` of them, rounded to hundredths on the digits as
// written, halves to the even hundredth. Returns the rounded decimal as text.
std::string RoundDecimalToHundredths(std::string digits, std::int64_t point) {
    // A leading zero that takes any carry, and zeros up to the point and two decimals.
    const auto zeros = static_cast<std::size_t>(std::max<std::int64_t>(1 - point, 0)) + 1;
    digits.insert(0, zeros, '0');
    const auto split = static_cast<std::size_t>(point + static_cast<std::int64_t>(zeros) + 2);
    digits.resize(std::max(digits.size(), split), '0');
    std::string kept = digits.substr(0, split);
    const std::string rest = digits.substr(split);
    if (!rest.empty() &&
        (rest[0] > '5' || (rest[0] == '5' && (rest.find_first_not_of('0', 1) != std::string::npos ||
                                              (kept.back() - '0') % 2 == 1)))) {
        std::size_t i = kept.size() - 1;
        for (; kept[i] == '9'; --i) {
            kept[i] = '0';
        }
        ++kept[i];
    }
    return kept.insert(kept.size() - 2, ".");
}

// The value of a line holding a decimal number (sign, digits, at most one point, an optional
// exponent), worked out on its digits with strtod as the final conversion. Empty for the
// notations this reference does not cover (&H, &O, huge exponents).
std::optional<double> ReferenceValue(std::string s) {
    std::erase_if(s, [](char c) { return c == ' ' || c == '\t' || c == '\n'; });
    const auto digitsEnd = [&s](std::size_t at) {
        while (at < s.size() && std::isdigit(static_cast<unsigned char>(s[at])) != 0) {
            ++at;
        }
        return at;
    };
    const bool negative = s.starts_with('-');
    std::size_t start = negative || s.starts_with('+') ? 1 : 0;
    if (s.substr(start, 1) == "&") {
        return std::nullopt;
    }
    std::size_t end = digitsEnd(start);
    std::string digits = s.substr(start, end - start);
    auto point = static_cast<std::int64_t>(digits.size());
    if (end < s.size() && s[end] == '.') {
        start = end + 1;
        end = digitsEnd(start);
        digits += s.substr(start, end - start);
    }
    if (digits.empty()) {
        return 0.0;
    }
    // An exponent counts only with at least one digit.
    if (end < s.size() && std::string_view("EeDd").find(s[end]) != std::string_view::npos) {
        const bool sign = end + 1 < s.size() && (s[end + 1] == '+' || s[end + 1] == '-');
        const std::size_t first = end + (sign ? 2 : 1);
        if (digitsEnd(first) > first) {
            const long long exponent = std::strtoll(s.c_str() + end + 1, nullptr, 10);
            if (exponent > 5000 || exponent < -5000) {
                return std::nullopt;
            }
            point += exponent;
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

    const std::string context =
        "read as " + std::to_string(value) + (inRange ? "" : " (beyond range)");
    const std::optional<double> reference = ReferenceValue(std::string(line));
    FUZZ_CHECK(
        !reference || (inRange == std::isfinite(*reference) && (!inRange || value == *reference)),
        context + ", reference " + std::to_string(reference.value_or(0.0)));
    // Both readings at once are the two readings apart: the coordinates of a grid are read so.
    double digits = 0.0;
    const bool digitsInRange = tesselar::ReadLineDigits(line, digits);
    double rounded = 0.0;
    double withDigits = 0.0;
    const bool bothInRange = tesselar::ReadLineBoth(line, rounded, withDigits);
    FUZZ_CHECK(
        bothInRange == (inRange && digitsInRange) &&
            (!bothInRange ||
             (std::bit_cast<std::uint64_t>(rounded) == std::bit_cast<std::uint64_t>(value) &&
              std::bit_cast<std::uint64_t>(withDigits) == std::bit_cast<std::uint64_t>(digits))),
        context + ": both at once differ from each alone");
    if (!inRange) {
        return 0;
    }
    FUZZ_CHECK(std::isfinite(value) && !(value == 0.0 && std::signbit(value)),
               context + ": infinite or negative zero");
    // Already rounded to hundredths: its text with 2 decimals names the same double.
    char hundredths[400];
    std::snprintf(hundredths, sizeof hundredths, "%.2f", value);
    FUZZ_CHECK(std::strtod(hundredths, nullptr) == value,
               context + ": not a hundredth (" + hundredths + ")");
    return 0;
}
