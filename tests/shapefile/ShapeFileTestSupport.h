#pragma once

#include <bit>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>

#include "support/TempDir.h"

namespace tesselar::test {

// Little-endian numbers read from a file's bytes, to check its layout.
template <typename Number>
Number Little(const std::string& bytes, std::size_t offset) {
    static_assert(std::endian::native == std::endian::little);
    Number value{};
    std::memcpy(&value, bytes.substr(offset, sizeof value).data(), sizeof value);
    return value;
}

// Noon UTC of a calendar day: the same local date in every time zone between UTC-11 and UTC+11.
inline std::chrono::system_clock::time_point NoonOf(std::chrono::year_month_day day) {
    return std::chrono::sys_days(day) + std::chrono::hours(12);
}

}  // namespace tesselar::test
