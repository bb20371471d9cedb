#pragma once

#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>

#include "support/TempDir.h"

namespace tesselar::test {

// Numbers read from a file's bytes, to check its layout.
inline std::uint8_t Byte(const std::string& bytes, std::size_t offset) {
    return static_cast<std::uint8_t>(bytes.at(offset));
}

inline std::int32_t Int32Big(const std::string& bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value = (value << 8) | Byte(bytes, offset + i);
    }
    return static_cast<std::int32_t>(value);
}

inline std::uint32_t UInt32Little(const std::string& bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (std::size_t i = 4; i-- > 0;) {
        value = (value << 8) | Byte(bytes, offset + i);
    }
    return value;
}

inline std::int32_t Int32Little(const std::string& bytes, std::size_t offset) {
    return static_cast<std::int32_t>(UInt32Little(bytes, offset));
}

inline std::uint16_t UInt16Little(const std::string& bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(Byte(bytes, offset) | (Byte(bytes, offset + 1) << 8));
}

inline double DoubleLittle(const std::string& bytes, std::size_t offset) {
    std::uint64_t bits = 0;
    for (std::size_t i = 8; i-- > 0;) {
        bits = (bits << 8) | Byte(bytes, offset + i);
    }
    double value = 0.0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Noon UTC of a calendar day: the same local date in every time zone between UTC-11 and UTC+11.
inline std::chrono::system_clock::time_point NoonOf(std::chrono::year_month_day day) {
    return std::chrono::sys_days(day) + std::chrono::hours(12);
}

}  // namespace tesselar::test
