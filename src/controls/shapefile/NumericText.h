#pragma once

#include <cstdint>
#include <string>

namespace tesselar {

// The count of decimal digits of `number`: 1 for 0 to 9, 2 for 10 to 99, ...
int DecimalDigits(std::uint64_t number);

enum class NumericTextFit {
    kExact,      // nothing lost: the column's decimals, or fewer where only zeros were dropped
    kShortened,  // rounded to fewer digits: fewer decimals, or in exponent form
    kTooWide,    // no text of the value fits the column; nothing written
};

// Writes the finite `value` as the text of a dBASE numeric column: `width` bytes at `out`,
// right-aligned and padded with blanks. A value whose text with `decimals` decimals does not
// fit is written with fewer decimals while that drops only zeros; beyond that with as many
// digits as fit, as a rounded fixed-point number while its whole part fits, otherwise in
// exponent form. Needs 1 <= width <= 19 and 0 <= decimals <= 15.
NumericTextFit WriteNumericText(double value, int width, int decimals, char* out);

// The shortest text that reads back as `value`, for messages.
std::string NumberText(double value);

}  // namespace tesselar
