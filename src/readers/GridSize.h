#pragma once

#include <optional>
#include <string_view>

namespace tesselar {

// The number in a grid size text: blanks around it, an optional sign, digits with an optional
// "." fraction, an optional exponent. Empty when the text is anything else. A number beyond
// the range of a double reads as an infinity of its sign.
std::optional<double> ParseGridSize(std::string_view text);

// The grid size minus 1, rounded to a whole number, halves to even.
double GridExtent(double size);

}  // namespace tesselar
