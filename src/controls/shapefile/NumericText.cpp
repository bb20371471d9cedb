#include "controls/shapefile/NumericText.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>

namespace tesselar {

namespace {

// Long enough for any value up to 1e40 in fixed form with 15 decimals; a longer text fits no
// column and is not needed (its conversion fails for want of room).
using TextBuffer = std::array<char, 64>;

constexpr std::array<std::uint64_t, 20> kPowersOf10 = [] {
    std::array<std::uint64_t, 20> powers{};
    std::uint64_t power = 1;
    for (std::uint64_t& entry : powers) {
        entry = power;
        power *= 10;
    }
    return powers;
}();

void PlaceRightAligned(std::string_view text, int width, char* out) {
    const std::size_t padding = static_cast<std::size_t>(width) - text.size();
    std::memset(out, ' ', padding);
    std::memcpy(out + padding, text.data(), text.size());
}

// Two decimal digits per entry, "00" to "99": the hundredths are written two digits at a time.
constexpr std::array<char, 200> kDigitPairs = [] {
    std::array<char, 200> pairs{};
    for (std::size_t n = 0; n < 100; ++n) {
        pairs[2 * n] = static_cast<char>('0' + n / 10);
        pairs[2 * n + 1] = static_cast<char>('0' + n % 10);
    }
    return pairs;
}();

// Writes the decimal digits of `number` to the left of `cursor`; returns the first one.
char* WriteDigitsBefore(char* cursor, std::uint64_t number) {
    while (number >= 100) {
        const std::uint64_t pair = number % 100;
        number /= 100;
        cursor -= 2;
        std::memcpy(cursor, &kDigitPairs[2 * pair], 2);
    }
    if (number >= 10) {
        cursor -= 2;
        std::memcpy(cursor, &kDigitPairs[2 * number], 2);
    } else {
        *--cursor = static_cast<char>('0' + number);
    }
    return cursor;
}

// The whole number nearest to `scaled`, halves to even, as nearbyint gives it in the default
// rounding mode. Below 2^51, adding and taking away 1.5 x 2^52 does that without a call.
double NearestWhole(double scaled) {
    constexpr double kRoundingShift = 0x1.8p52;
    if (std::fabs(scaled) < 0x1p51) {
        return (scaled + kRoundingShift) - kRoundingShift;
    }
    return std::nearbyint(scaled);
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
    const double hundredths = NearestWhole(value * 100.0);
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
            cursor -= 2;
            std::memcpy(cursor, &kDigitPairs[2 * fraction], 2);
        } else {
            *--cursor = static_cast<char>('0' + fraction / 10);
        }
        *--cursor = '.';
    }
    cursor = WriteDigitsBefore(cursor, whole);
    if (negative) {
        *--cursor = '-';
    }
    while (cursor != out) {
        *--cursor = ' ';
    }
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

// The value's shortest exact text in fixed form: the digits of its shortest exact text, the
// point placed by their exponent, and zeros after them up to the column's decimals as far as
// they fit. Empty when it needs more decimals than the column has or more characters than its
// width.
std::string_view ExactFixedText(double value, int width, int decimals, TextBuffer& buffer) {
    std::array<char, 32> shortest{};
    const char* end = std::to_chars(shortest.data(), shortest.data() + shortest.size(),
                                    std::fabs(value), std::chars_format::scientific)
                          .ptr;
    const std::string_view text(shortest.data(), static_cast<std::size_t>(end - shortest.data()));
    const std::size_t e = text.find('e');
    std::array<char, 20> digits{};
    int count = 0;
    for (const char c : text.substr(0, e)) {
        if (c != '.') {
            digits[static_cast<std::size_t>(count++)] = c;
        }
    }
    int exponent = 0;
    std::from_chars(text.data() + e + (text[e + 1] == '+' ? 2 : 1), end, exponent);
    const int shown = std::max(0, count - 1 - exponent);
    const bool negative = value < 0.0;
    const int length = (negative ? 1 : 0) + std::max(1, exponent + 1) + (shown > 0 ? 1 + shown : 0);
    if (shown > decimals || length > width) {
        return {};
    }
    char* cursor = buffer.data();
    if (negative) {
        *cursor++ = '-';
    }
    // The digit at each place from the first before the point to the last shown.
    for (int place = std::max(0, exponent); place >= -shown; --place) {
        if (place == -1) {
            *cursor++ = '.';
        }
        const int index = exponent - place;
        *cursor++ = index >= 0 && index < count ? digits[static_cast<std::size_t>(index)] : '0';
    }
    int zeros = std::min(decimals - shown, width - length);
    // The point comes before the first zero: with room for it only, it is left out.
    if (shown == 0 && zeros > 0 && --zeros > 0) {
        *cursor++ = '.';
    }
    std::memset(cursor, '0', static_cast<std::size_t>(zeros));
    return {buffer.data(), static_cast<std::size_t>(cursor - buffer.data() + zeros)};
}

// The value rounded to the most decimals, at most the column's, that leave it within `width`
// characters; empty when even its whole part does not fit.
std::string_view RoundedFixedText(double value, int width, int decimals, TextBuffer& buffer) {
    for (int fewer = decimals; fewer >= 0; --fewer) {
        const std::string_view rounded = FixedText(value, fewer, buffer);
        if (!rounded.empty() && rounded.size() <= static_cast<std::size_t>(width)) {
            return rounded;
        }
    }
    return {};
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

// The value in exponent form with as many digits as fit in `width` characters; empty when not
// even one digit fits.
std::string_view ExponentText(double value, int width, TextBuffer& buffer) {
    for (int digits = width; digits >= 0; --digits) {
        const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                                std::chars_format::scientific, digits);
        const auto length = static_cast<std::size_t>(end - buffer.data());
        if (error == std::errc{} && length <= static_cast<std::size_t>(width)) {
            const std::string_view text(buffer.data(), length);
            KeepWithinDoubleRange(buffer.data(), text);
            return text;
        }
    }
    return {};
}

// How far the number a reader takes from `text` lies from `value`; infinite for no text.
double Distance(std::string_view text, double value) {
    double read = 0.0;
    if (text.empty()) {
        return std::numeric_limits<double>::infinity();
    }
    std::from_chars(text.data(), text.data() + text.size(), read);
    return std::fabs(read - value);
}

// The text of a value that is no number of hundredths or does not fit as one. Kept out of
// WriteNumericText so that its buffers cost the hundredths nothing.
[[gnu::noinline]] NumericTextFit WriteOtherText(double value, int width, int decimals, char* out) {
    TextBuffer exactBuffer;
    const std::string_view exact = ExactFixedText(value, width, decimals, exactBuffer);
    if (!exact.empty()) {
        PlaceRightAligned(exact, width, out);
        return NumericTextFit::kExact;
    }
    // Digits are lost in fixed form: the exponent form is taken where it reads back nearer the
    // value, as it does for a value too large for the whole part to fit or too small for the
    // decimals to show it, and it may still hold every digit.
    TextBuffer fixedBuffer;
    const std::string_view fixed = RoundedFixedText(value, width, decimals, fixedBuffer);
    TextBuffer exponentBuffer;
    const std::string_view exponent = ExponentText(value, width, exponentBuffer);
    const double fixedDistance = Distance(fixed, value);
    const double exponentDistance = Distance(exponent, value);
    if (fixed.empty() && exponent.empty()) {
        return NumericTextFit::kTooWide;
    }
    const bool fixedNearer = fixedDistance <= exponentDistance;
    PlaceRightAligned(fixedNearer ? fixed : exponent, width, out);
    return (fixedNearer ? fixedDistance : exponentDistance) == 0.0 ? NumericTextFit::kExact
                                                                   : NumericTextFit::kShortened;
}

}  // namespace

int DecimalDigits(std::uint64_t number) {
    // From the bit length, which leaves one power of 10 to compare with; 0 counts as 1.
    const std::uint64_t counted = number | 1;
    const int bits = 64 - std::countl_zero(counted);
    const int estimate = (bits * 1233) >> 12;  // 1233 / 4096 is just above log10(2)
    return estimate + (counted >= kPowersOf10[static_cast<std::size_t>(estimate)] ? 1 : 0);
}

NumericTextFit WriteNumericText(double value, int width, int decimals, char* out) {
    if (WriteHundredths(value, width, decimals, out)) {
        return NumericTextFit::kExact;
    }
    return WriteOtherText(value, width, decimals, out);
}

std::string NumberText(double value) {
    std::array<char, 32> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), result.ptr);
}

}  // namespace tesselar
