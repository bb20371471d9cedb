#pragma once

#include <cstdint>
#include <string>

namespace tesselar {

// Value lines of one kind, counted, with the first of them named.
struct CountedLines {
    std::int64_t count = 0;
    // Where the first of them stands: "'0.004' on line 12 of X axys file 'x.dat'".
    std::string first;

    void Add(const CountedLines& more) {
        if (count == 0) {
            first = more.first;
        }
        count += more.count;
    }
};

// Values that were not 0 as written but were stored as 0: rounded to hundredths ("0.004"), or
// too small for a double ("1e-400").
using ZeroedValues = CountedLines;

// Value lines that hold no number ("nan", "inf", "abc", an empty line) and were read as 0.
using NoNumberLines = CountedLines;

}  // namespace tesselar
