#pragma once

#include <cstdint>
#include <string>

namespace tesselar {

// Values that were not 0 as written but that the rounding to hundredths made 0 ("0.004").
struct ZeroedValues {
    std::int64_t count = 0;
    // Where the first of them stands: "'0.004' on line 12 of X axys file 'x.dat'".
    std::string first;

    void Add(const ZeroedValues& more) {
        if (count == 0) {
            first = more.first;
        }
        count += more.count;
    }
};

}  // namespace tesselar
