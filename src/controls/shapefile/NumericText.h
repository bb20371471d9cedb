#pragma once

#include <cstdint>
#include <string>

namespace tesselar {

// The count of decimal digits of `number`: 1 for 0 to 9, 2 for 10 to 99, ...
int DecimalDigits(std::uint64_t number);

enum class NumericTextFit {
    kExact,      // the text reads back as the value: no digit of its shortest exact text lost
    kShortened,  // rounded to fewer digits than the value's shortest exact text
    kTooWide,    // no text of the value fits the column; nothing written
};

// Writes the finite `value` as the text of a dBASE numeric column: `width` bytes at `out`,
// right-aligned and padded with blanks. The text is the value's shortest exact text (the
// shortest that reads back as the same double) in fixed form, with zeros up to the column's
// decimals as far as they fit; a value that needs more decimals than the column has, or more
// characters than its width, is written with as many digits as fit, in whichever of the fixed
// form (the fewest decimals dropped) and the exponent form reads back nearer to it, the fixed
// form when both are as near. Needs 1 <= width <= 19 and 0 <= decimals <= 15.
NumericTextFit WriteNumericText(double value, int width, int decimals, char* out);

// The shortest text that reads back as `value`, for messages.
std::string NumberText(double value);

}  // namespace tesselar
