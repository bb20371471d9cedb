#pragma once

#include <cstdint>
#include <string>

namespace tesselar {

// The values of one column written with fewer digits than their shortest exact text (the
// shortest text that reads back as the same double): they did not fit the column.
struct ShortenedValues {
    std::string column;  // the column's name as given
    int width = 0;       // the column's width in characters
    std::int64_t count = 0;
    double first = 0.0;     // the first of them
    std::string firstText;  // and its text in the column
};

}  // namespace tesselar
