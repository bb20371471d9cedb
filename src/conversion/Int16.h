#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "conversion/ConversionError.h"

namespace tesselar {

// Counts, extents and loop bounds of a conversion are 16-bit signed integers: a value outside
// their range is an error, never a wrap.
inline std::int16_t CheckedInt16(long long value, std::string_view what) {
    if (value < std::numeric_limits<std::int16_t>::min() ||
        value > std::numeric_limits<std::int16_t>::max()) {
        throw OverflowError(std::string(what) + " is " + std::to_string(value) +
                            ", outside the range -32768 to 32767");
    }
    return static_cast<std::int16_t>(value);
}

}  // namespace tesselar
