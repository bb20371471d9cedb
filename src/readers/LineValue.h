#pragma once

#include <string_view>

namespace tesselar {

// The number a value line holds, rounded to hundredths. Blanks, tabs and line feeds are
// dropped wherever they stand; then the longest leading number is read: an optional sign,
// digits with at most one ".", and an optional exponent (E or D in either case, an optional
// sign, digits), or a hexadecimal (&H) or octal (&O) integer. What follows it is ignored, and
// a line without a leading number reads as 0. The decimal separator is always ".".
//
// The rounding goes to the nearest hundredth, a value exactly halfway to the even one, judged
// on the decimal digits as written (1.015 gives 1.02). The result is the double nearest to the
// rounded decimal, never -0. Returns false when the number lies beyond the range of a double.
bool ReadLineValue(std::string_view line, double& value);

// The number a value line holds, read as ReadLineValue reads it but with every digit as
// written: the double nearest to the decimal (or hexadecimal, octal) number, never -0. A number
// too small for a double reads as 0. Returns false when it lies beyond the range of a double.
bool ReadLineDigits(std::string_view line, double& value);

// Both readings of a value line at once: rounded as ReadLineValue reads it, and with every
// digit as ReadLineDigits reads it. Returns false when it lies beyond the range of a double.
bool ReadLineBoth(std::string_view line, double& rounded, double& withDigits);

// What the number of a value line is as written, to tell why a line was read as 0.
enum class WrittenNumber {
    kNone,   // no leading number ("nan", "inf", "abc", an empty line): read as 0 by the rule
    kZero,   // a number that is 0 ("0", "-0.00", "&H0")
    kOther,  // a number other than 0, though rounding or the range of a double may make it 0
};
WrittenNumber NumberAsWritten(std::string_view line);

}  // namespace tesselar
