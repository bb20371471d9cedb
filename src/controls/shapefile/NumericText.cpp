#include "controls/shapefile/NumericText.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace tesselar {

namespace {

// Long enough for any value up to 1e40 in fixed form with 15 decimals; a longer text fits no
// column and is not needed.
using TextBuffer = std::array<char, 64>;

void PlaceRightAligned(std::string_view text, int width, char* out) {
    const std::size_t padding = static_cast<std::size_t>(width) - text.size();
    std::memset(out, ' ', padding);
    std::memcpy(out + padding, text.data(), text.size());
}

// The input values are read rounded to 2 decimals, so nearly every value is the double nearest
// to a number of hundredths. Such a value is written without a general conversion: its text is
// the hundredths, followed by zeros or with zeros dropped to make the column's decimals. With at
// most 15 significant digits that text is the value's correctly rounded fixed form, since the
// double lies closer to the hundredths than half a unit of the last decimal.
bool WriteHundredths(double value, int width, int decimals, char* out) {
    constexpr int kExactDigits = 15;
    if (!(std::fabs(value) < 1e15)) {
        return false;
    }
    const double hundredths = std::nearbyint(value * 100.0);
    if (hundredths / 100.0 != value) {
        return false;
    }
    const auto signedCount = static_cast<std::int64_t>(hundredths);
    const bool negative = signedCount < 0;
    const auto count = static_cast<std::uint64_t>(negative ? -signedCount : signedCount);
    const std::uint64_t fraction = count % 100;
    // Fewer than two decimals hold the value only when the digits left out are zeros.
    if ((decimals == 0 && fraction != 0) || (decimals == 1 && fraction % 10 != 0)) {
        return false;
    }
    const std::uint64_t whole = count / 100;
    const int wholeDigits = DecimalDigits(whole);
    const int length = (negative ? 1 : 0) + wholeDigits + (decimals > 0 ? 1 + decimals : 0);
    if (wholeDigits + decimals > kExactDigits || length > width) {
        return false;
    }
    char* cursor = out + width;
    if (decimals > 0) {
        for (int zero = 2; zero < decimals; ++zero) {
            *--cursor = '0';
        }
        if (decimals >= 2) {
            *--cursor = static_cast<char>('0' + fraction % 10);
        }
        *--cursor = static_cast<char>('0' + fraction / 10);
        *--cursor = '.';
    }
    std::uint64_t rest = whole;
    do {
        *--cursor = static_cast<char>('0' + rest % 10);
        rest /= 10;
    } while (rest > 0);
    if (negative) {
        *--cursor = '-';
    }
    std::memset(out, ' ', static_cast<std::size_t>(cursor - out));
    return true;
}

// The value in fixed form with `decimals` decimals; empty when it does not fit the buffer.
std::string_view FixedText(double value, int decimals, TextBuffer& buffer) {
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                            std::chars_format::fixed, decimals);
    if (error != std::errc{}) {
        return {};
    }
    std::string_view text(buffer.data(), static_cast<std::size_t>(end - buffer.data()));
    // A tiny negative value rounds to "-0.000"; its sign carries no information.
    if (text.starts_with('-') && text.find_first_not_of("-0.") == std::string_view::npos) {
        text.remove_prefix(1);
    }
    return text;
}

// The fixed text with `dropped` trailing digits of its fraction removed, and the point with
// them when no decimal is left.
std::string_view DropDecimals(std::string_view text, int decimals, int dropped) {
    const auto cut = static_cast<std::size_t>(dropped == decimals ? dropped + 1 : dropped);
    return text.substr(0, text.size() - cut);
}

int TrailingZeros(std::string_view text, int decimals) {
    int zeros = 0;
    while (zeros < decimals && text[text.size() - 1 - static_cast<std::size_t>(zeros)] == '0') {
        ++zeros;
    }
    return zeros;
}

// A value next to the largest double can round up past it ("1.798e+308"), which readers take
// for infinity: such a mantissa is lowered by one in its last digit, as if cut, not rounded.
void KeepWithinDoubleRange(char* text, std::string_view shown) {
    double parsed = 0.0;
    if (std::from_chars(shown.data(), shown.data() + shown.size(), parsed).ec !=
        std::errc::result_out_of_range) {
        return;
    }
    for (std::size_t at = shown.find('e'); at-- > 0;) {
        if (text[at] == '.') {
            continue;
        }
        if (text[at] != '0') {
            --text[at];
            return;
        }
        text[at] = '9';
    }
}

}  // namespace

int DecimalDigits(std::uint64_t number) {
    int digits = 1;
    while (number >= 10) {
        number /= 10;
        ++digits;
    }
    return digits;
}

NumericTextFit WriteNumericText(double value, int width, int decimals, char* out) {
    if (WriteHundredths(value, width, decimals, out)) {
        return NumericTextFit::kExact;
    }
    const auto columnWidth = static_cast<std::size_t>(width);
    TextBuffer buffer;
    const std::string_view text = FixedText(value, decimals, buffer);
    if (!text.empty()) {
        if (text.size() <= columnWidth) {
            PlaceRightAligned(text, width, out);
            return NumericTextFit::kExact;
        }
        // Fewer decimals without losing a digit: only trailing zeros go.
        const int zeros = TrailingZeros(text, decimals);
        for (int dropped = 1; dropped <= zeros; ++dropped) {
            const std::string_view shorter = DropDecimals(text, decimals, dropped);
            if (shorter.size() <= columnWidth) {
                PlaceRightAligned(shorter, width, out);
                return NumericTextFit::kExact;
            }
        }
        // Rounded to fewer decimals: while the whole part fits this keeps more digits than the
        // exponent form, which spends four characters on the exponent.
        TextBuffer roundedBuffer;
        for (int fewer = decimals - 1; fewer >= 0; --fewer) {
            const std::string_view rounded = FixedText(value, fewer, roundedBuffer);
            if (!rounded.empty() && rounded.size() <= columnWidth) {
                PlaceRightAligned(rounded, width, out);
                return NumericTextFit::kShortened;
            }
        }
    }
    for (int digits = width; digits >= 0; --digits) {
        const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                                std::chars_format::scientific, digits);
        const auto length = static_cast<std::size_t>(end - buffer.data());
        if (error == std::errc{} && length <= columnWidth) {
            const std::string_view exponentText(buffer.data(), length);
            KeepWithinDoubleRange(buffer.data(), exponentText);
            PlaceRightAligned(exponentText, width, out);
            return NumericTextFit::kShortened;
        }
    }
    return NumericTextFit::kTooWide;
}

std::string NumberText(double value) {
    std::array<char, 32> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), result.ptr);
}

}  // namespace tesselar
