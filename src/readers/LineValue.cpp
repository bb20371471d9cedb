#include "readers/LineValue.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <system_error>
#include <utility>

#include "readers/AsciiCharacters.h"

namespace tesselar {

namespace {

// Doubles hold every integer up to 2^53 exactly, so R / 100.0 is then the double nearest to
// R hundredths.
constexpr std::uint64_t kExactLimit = std::uint64_t{1} << 53;
// Up to 19 digits fit an unsigned 64-bit integer.
constexpr std::int64_t kMaxFastDigits = 19;
// Exponents beyond this already leave the range of a double, or round to 0, whatever the digits.
constexpr std::int64_t kExponentClamp = 1'000'000'000;

constexpr std::array<std::uint64_t, 20> kPowersOf10 = {
    1ULL,
    10ULL,
    100ULL,
    1'000ULL,
    10'000ULL,
    100'000ULL,
    1'000'000ULL,
    10'000'000ULL,
    100'000'000ULL,
    1'000'000'000ULL,
    10'000'000'000ULL,
    100'000'000'000ULL,
    1'000'000'000'000ULL,
    10'000'000'000'000ULL,
    100'000'000'000'000ULL,
    1'000'000'000'000'000ULL,
    10'000'000'000'000'000ULL,
    100'000'000'000'000'000ULL,
    1'000'000'000'000'000'000ULL,
    10'000'000'000'000'000'000ULL,
};
constexpr std::int64_t kMaxFastScale = 15;  // 10^16 > 2^53

// A line's blanks, and a line break within it, are passed over as BASIC passes them.
bool IsDropped(char c) {
    return IsBlank(c) || c == '\n';
}
unsigned DigitValue(char c) {
    return static_cast<unsigned>(c - '0');
}
bool IsExponentLetter(char c) {
    return c == 'E' || c == 'e' || c == 'D' || c == 'd';
}

const char* SkipDropped(const char* p, const char* end) {
    while (p != end && IsDropped(*p)) {
        ++p;
    }
    return p;
}

// A decimal number as written: its significant digits d1 d2 ... (from the first non-zero
// one) go to a sink, and value = 0.d1d2... x 10^(pointPosition + exponent).
struct DecimalShape {
    bool negative = false;
    bool anyDigit = false;  // false: the line holds no number
    std::int64_t significantDigits = 0;
    std::int64_t pointPosition = 0;
    std::int64_t exponent = 0;

    // How many significant digits stand at or above the hundredths place.
    std::int64_t DigitsToHundredths() const { return pointPosition + exponent + 2; }
};

// The first 19 significant digits as an integer.
struct LeadingDigits {
    std::uint64_t value = 0;
    std::int64_t count = 0;
    void Add(char digit) {
        if (count < kMaxFastDigits) {
            value = value * 10 + DigitValue(digit);
        }
        ++count;
    }
};

struct AllDigits {
    std::string text;
    void Add(char digit) { text.push_back(digit); }
};

std::int64_t ScanExponent(const char* p, const char* end) {
    p = SkipDropped(p, end);
    bool negative = false;
    if (p != end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    std::int64_t value = 0;
    for (; p != end; ++p) {
        if (IsDigit(*p)) {
            if (value < kExponentClamp) {
                value = value * 10 + DigitValue(*p);
            }
        } else if (!IsDropped(*p)) {
            break;
        }
    }
    return negative ? -value : value;
}

template <class Sink>
DecimalShape ScanDecimal(const char* p, const char* end, Sink& sink) {
    DecimalShape shape;
    if (p != end && (*p == '+' || *p == '-')) {
        shape.negative = *p == '-';
        ++p;
    }
    bool seenPoint = false;
    for (; p != end; ++p) {
        const char c = *p;
        if (IsDigit(c)) {
            shape.anyDigit = true;
            if (shape.significantDigits == 0 && c == '0') {
                if (seenPoint) {
                    --shape.pointPosition;
                }
                continue;
            }
            sink.Add(c);
            ++shape.significantDigits;
            if (!seenPoint) {
                ++shape.pointPosition;
            }
        } else if (c == '.' && !seenPoint) {
            seenPoint = true;
        } else if (!IsDropped(c)) {
            break;
        }
    }
    if (shape.anyDigit && p != end && IsExponentLetter(*p)) {
        shape.exponent = ScanExponent(p + 1, end);
    }
    return shape;
}

double Signed(double magnitude, bool negative) {
    return negative ? -magnitude : magnitude;
}

// Rounds the decimal digits themselves to hundredths and lets from_chars find the nearest
// double: for numbers with more digits, or a larger scale, than the integer path can take.
bool RoundDigitsExactly(const DecimalShape& shape, const std::string& digits, double& value) {
    const auto digitCount = static_cast<std::int64_t>(digits.size());
    const std::int64_t keep = shape.DigitsToHundredths();
    if (keep < 0) {
        value = 0.0;
        return true;
    }
    const std::int64_t kept = std::min(keep, digitCount);
    std::string text = digits.substr(0, static_cast<std::size_t>(kept));
    const auto digitAt = [&digits](std::int64_t index) {
        return DigitValue(digits[static_cast<std::size_t>(index)]);
    };
    const unsigned firstDropped = keep < digitCount ? digitAt(keep) : 0;
    bool roundUp = firstDropped > 5;
    if (firstDropped == 5) {
        const bool beyondHalf =
            digits.find_first_not_of('0', static_cast<std::size_t>(keep) + 1) != std::string::npos;
        const bool lastKeptOdd = kept > 0 && digitAt(kept - 1) % 2 == 1;
        roundUp = beyondHalf || lastKeptOdd;
    }
    if (roundUp) {
        auto digit = text.rbegin();
        for (; digit != text.rend() && *digit == '9'; ++digit) {
            *digit = '0';
        }
        if (digit == text.rend()) {
            text.insert(text.begin(), '1');
        } else {
            ++*digit;
        }
    }
    if (text.empty()) {
        value = 0.0;
        return true;
    }
    // text is the count of hundredths, apart from the zeros beyond the digits written.
    text += 'e';
    text += std::to_string(keep - kept - 2);
    double magnitude = 0.0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), magnitude);
    if (result.ec == std::errc::result_out_of_range) {
        return false;
    }
    value = Signed(magnitude, shape.negative);
    return true;
}

// number / 10^power for a power from 0 to 19. A constant divisor per power lets the compiler
// multiply instead of divide: nearly every value line is divided here.
template <std::size_t... Powers>
std::uint64_t DivideByPowerOf10(std::uint64_t number, std::size_t power,
                                std::index_sequence<Powers...> /*powers*/) {
    std::uint64_t quotient = 0;
    static_cast<void>(
        ((power == Powers && (quotient = number / kPowersOf10[Powers], true)) || ...));
    return quotient;
}

// For each scale, the most digits that times 10^scale stay within 2^53.
constexpr std::array<std::uint64_t, kMaxFastScale + 1> kLargestScaledDigits = [] {
    std::array<std::uint64_t, kMaxFastScale + 1> largest{};
    for (std::size_t scale = 0; scale < largest.size(); ++scale) {
        largest[scale] = kExactLimit / kPowersOf10[scale];
    }
    return largest;
}();

// The whole number of hundredths nearest to `digits` x 10^scale hundredths, halves to even.
// False when the result may pass 2^53: the exact rounding decides then.
bool RoundToHundredths(std::uint64_t digits, std::int64_t scale, std::uint64_t& hundredths) {
    if (scale >= 0) {
        if (scale > kMaxFastScale ||
            digits > kLargestScaledDigits[static_cast<std::size_t>(scale)]) {
            return false;
        }
        hundredths = digits * kPowersOf10[static_cast<std::size_t>(scale)];
        return true;
    }
    if (-scale >= static_cast<std::int64_t>(kPowersOf10.size())) {
        hundredths = 0;  // 19 digits at most: less than half a hundredth
        return true;
    }
    const auto power = static_cast<std::size_t>(-scale);
    const std::uint64_t divisor = kPowersOf10[power];
    hundredths = DivideByPowerOf10(digits, power, std::make_index_sequence<kPowersOf10.size()>());
    const std::uint64_t rest = digits - hundredths * divisor;
    const std::uint64_t restToNext = divisor - rest;
    // Without a branch: whether to round up is as random as the digits dropped.
    const bool roundUp = (rest > restToNext) | ((rest == restToNext) & (hundredths % 2 == 1));
    hundredths += static_cast<std::uint64_t>(roundUp);
    return hundredths <= kExactLimit;
}

void SetHundredths(std::uint64_t hundredths, bool negative, double& value) {
    value = hundredths == 0 ? 0.0 : Signed(static_cast<double>(hundredths) / 100.0, negative);
}

// Any decimal number, with blanks anywhere and any number of digits.
bool ReadDecimal(const char* p, const char* end, double& value) {
    LeadingDigits leading;
    const DecimalShape shape = ScanDecimal(p, end, leading);
    if (shape.significantDigits == 0) {
        value = 0.0;
        return true;
    }
    std::uint64_t hundredths = 0;
    if (shape.significantDigits <= kMaxFastDigits &&
        RoundToHundredths(leading.value, shape.DigitsToHundredths() - shape.significantDigits,
                          hundredths)) {
        SetHundredths(hundredths, shape.negative, value);
        return true;
    }
    AllDigits all;
    ScanDecimal(p, end, all);
    return RoundDigitsExactly(shape, all.text, value);
}

const char* SkipDigits(const char* p, const char* end) {
    while (p != end && IsDigit(*p)) {
        ++p;
    }
    return p;
}

// The common form of a value line, such as "-512496.004" or "1.5E+02": an optional sign, at
// most 19 digits with at most one point, an optional exponent of at most 9 digits, and no blank
// inside. Its value is digits x 10^scale.
struct PlainNumber {
    bool negative = false;
    std::uint64_t digits = 0;
    std::int64_t scale = 0;
};

// False when the line is not of the common form: the general scan reads it then. Inline in
// each reading: nearly every value line is scanned here, and a call costs as much again.
[[gnu::always_inline]] inline bool ScanPlainNumber(const char* p, const char* end,
                                                   PlainNumber& number) {
    number.negative = p != end && *p == '-';
    if (p != end && (*p == '-' || *p == '+')) {
        ++p;
    }
    std::uint64_t digits = 0;
    const char* first = p;
    for (; p != end && IsDigit(*p); ++p) {
        digits = digits * 10 + DigitValue(*p);
    }
    std::int64_t digitCount = p - first;
    std::int64_t fractionDigits = 0;
    if (p != end && *p == '.') {
        const char* fraction = ++p;
        for (; p != end && IsDigit(*p); ++p) {
            digits = digits * 10 + DigitValue(*p);
        }
        fractionDigits = p - fraction;
        digitCount += fractionDigits;
    }
    if (digitCount == 0 || digitCount > kMaxFastDigits) {
        return false;
    }
    std::int64_t exponent = 0;
    if (p != end && IsExponentLetter(*p)) {
        ++p;
        const bool negativeExponent = p != end && *p == '-';
        if (p != end && (*p == '-' || *p == '+')) {
            ++p;
        }
        const char* exponentEnd = SkipDigits(p, end);
        if (exponentEnd - p > 9) {
            return false;
        }
        for (; p != exponentEnd; ++p) {
            exponent = exponent * 10 + DigitValue(*p);
        }
        exponent = negativeExponent ? -exponent : exponent;
    }
    // What follows a blank could continue the number; any other text ends it.
    if (p != end && IsDropped(*p) && SkipDropped(p, end) != end) {
        return false;
    }
    number.digits = digits;
    number.scale = exponent - fractionDigits;
    return true;
}

// A plain number rounded to hundredths; false when the general rounding must decide.
bool RoundPlainNumber(const PlainNumber& number, double& value) {
    std::uint64_t hundredths = 0;
    if (!RoundToHundredths(number.digits, number.scale + 2, hundredths)) {
        return false;
    }
    SetHundredths(hundredths, number.negative, value);
    return true;
}

// Powers of 10 that doubles hold exactly.
constexpr std::array<double, 23> kExactPowersOf10 = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                     1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                     1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The double nearest to a plain number, when one multiplication or division of exact doubles
// gives it (IEEE arithmetic rounds each to the nearest double); false otherwise.
bool NearestToPlainNumber(const PlainNumber& number, double& value) {
    constexpr auto kLargestPower = static_cast<std::int64_t>(kExactPowersOf10.size()) - 1;
    if (number.digits > kExactLimit || number.scale < -kLargestPower ||
        number.scale > kLargestPower) {
        return false;
    }
    const auto digits = static_cast<double>(number.digits);
    const double power = kExactPowersOf10[static_cast<std::size_t>(std::abs(number.scale))];
    const double magnitude = number.scale < 0 ? digits / power : digits * power;
    // Adding +0 turns -0 into 0 and leaves every other value as it is.
    value = Signed(magnitude, number.negative) + 0.0;
    return true;
}

// Writes octal digits as hexadecimal ones, so that from_chars can round them to a double.
std::string OctalAsHex(const std::string& octal) {
    std::string hex;
    unsigned bits = 0;
    int bitCount = 0;
    for (auto digit = octal.rbegin(); digit != octal.rend(); ++digit) {
        bits |= DigitValue(*digit) << bitCount;
        bitCount += 3;
        while (bitCount >= 4) {
            hex.push_back("0123456789abcdef"[bits & 0xFU]);
            bits >>= 4;
            bitCount -= 4;
        }
    }
    if (bitCount > 0) {
        hex.push_back("0123456789abcdef"[bits & 0xFU]);
    }
    std::reverse(hex.begin(), hex.end());
    return hex;
}

int HexDigitValue(char c) {
    if (IsDigit(c)) {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// The digits of a hexadecimal or octal integer after "&H" or "&O", without leading zeros.
struct RadixDigits {
    bool hexadecimal = false;
    bool anyDigit = false;  // false: the line holds no number
    std::string significant;
};

RadixDigits ScanRadixDigits(const char* p, const char* end) {
    RadixDigits digits;
    p = SkipDropped(p, end);
    if (p == end) {
        return digits;
    }
    digits.hexadecimal = *p == 'H' || *p == 'h';
    if (!digits.hexadecimal && *p != 'O' && *p != 'o') {
        return digits;
    }
    const int radix = digits.hexadecimal ? 16 : 8;
    for (++p; p != end; ++p) {
        const int digit = HexDigitValue(*p);
        if (digit >= 0 && digit < radix) {
            digits.anyDigit = true;
            if (!digits.significant.empty() || digit != 0) {
                digits.significant.push_back(*p);
            }
        } else if (!IsDropped(*p)) {
            break;
        }
    }
    return digits;
}

// A hexadecimal or octal integer after "&H" or "&O": never negative, exact up to 2^53 and
// rounded to the nearest double beyond.
bool ReadRadixInteger(const char* p, const char* end, double& value) {
    value = 0.0;
    const RadixDigits digits = ScanRadixDigits(p, end);
    const std::string hex =
        digits.hexadecimal ? digits.significant : OctalAsHex(digits.significant);
    if (hex.empty()) {
        return true;
    }
    const auto result =
        std::from_chars(hex.data(), hex.data() + hex.size(), value, std::chars_format::hex);
    return result.ec != std::errc::result_out_of_range;
}

// The double nearest to 0.d1d2... x 10^(pointPosition + exponent), the digits as written.
bool NearestDouble(const DecimalShape& shape, const std::string& digits, double& value) {
    value = 0.0;
    if (digits.empty()) {
        return true;
    }
    const std::int64_t power = shape.pointPosition + shape.exponent;
    const std::string text = "0." + digits + "e" + std::to_string(power);
    double magnitude = 0.0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), magnitude);
    if (result.ec == std::errc::result_out_of_range) {
        return power < 0;  // too small for a double: 0
    }
    value = Signed(magnitude, shape.negative);
    return true;
}

}  // namespace

bool ReadLineValue(std::string_view line, double& value) {
    const char* end = line.data() + line.size();
    const char* p = SkipDropped(line.data(), end);
    if (p != end && *p == '&') {
        return ReadRadixInteger(p + 1, end, value);
    }
    PlainNumber number;
    if (ScanPlainNumber(p, end, number) && RoundPlainNumber(number, value)) {
        return true;
    }
    return ReadDecimal(p, end, value);
}

bool ReadLineDigits(std::string_view line, double& value) {
    const char* end = line.data() + line.size();
    const char* p = SkipDropped(line.data(), end);
    if (p != end && *p == '&') {
        return ReadRadixInteger(p + 1, end, value);
    }
    PlainNumber number;
    if (ScanPlainNumber(p, end, number) && NearestToPlainNumber(number, value)) {
        return true;
    }
    AllDigits digits;
    const DecimalShape shape = ScanDecimal(p, end, digits);
    if (!NearestDouble(shape, digits.text, value)) {
        return false;
    }
    value += 0.0;  // never -0
    return true;
}

bool ReadLineBoth(std::string_view line, double& rounded, double& withDigits) {
    const char* end = line.data() + line.size();
    const char* p = SkipDropped(line.data(), end);
    // The common form is scanned once for both readings.
    PlainNumber number;
    if (ScanPlainNumber(p, end, number) && RoundPlainNumber(number, rounded) &&
        NearestToPlainNumber(number, withDigits)) {
        return true;
    }
    return ReadLineValue(line, rounded) && ReadLineDigits(line, withDigits);
}

WrittenNumber NumberAsWritten(std::string_view line) {
    const char* end = line.data() + line.size();
    const char* p = SkipDropped(line.data(), end);
    if (p != end && *p == '&') {
        const RadixDigits digits = ScanRadixDigits(p + 1, end);
        if (!digits.anyDigit) {
            return WrittenNumber::kNone;
        }
        return digits.significant.empty() ? WrittenNumber::kZero : WrittenNumber::kOther;
    }
    struct Uncounted {
        void Add(char /*digit*/) {}
    } uncounted;
    const DecimalShape shape = ScanDecimal(p, end, uncounted);
    if (!shape.anyDigit) {
        return WrittenNumber::kNone;
    }
    return shape.significantDigits == 0 ? WrittenNumber::kZero : WrittenNumber::kOther;
}

}  // namespace tesselar
