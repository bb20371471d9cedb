#pragma once

#include <bit>
#include <cstdint>

namespace tesselar {

// The shapefile mixes byte orders: file codes, lengths and record numbers are big-endian,
// everything else little-endian. These store a value at `out` in the order named, whatever the
// host's order.

inline void PutInt32Big(unsigned char* out, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    out[0] = static_cast<unsigned char>(bits >> 24);
    out[1] = static_cast<unsigned char>(bits >> 16);
    out[2] = static_cast<unsigned char>(bits >> 8);
    out[3] = static_cast<unsigned char>(bits);
}

inline void PutUInt32Little(unsigned char* out, std::uint32_t value) {
    out[0] = static_cast<unsigned char>(value);
    out[1] = static_cast<unsigned char>(value >> 8);
    out[2] = static_cast<unsigned char>(value >> 16);
    out[3] = static_cast<unsigned char>(value >> 24);
}

inline void PutInt32Little(unsigned char* out, std::int32_t value) {
    PutUInt32Little(out, static_cast<std::uint32_t>(value));
}

inline void PutUInt16Little(unsigned char* out, std::uint16_t value) {
    out[0] = static_cast<unsigned char>(value);
    out[1] = static_cast<unsigned char>(value >> 8);
}

inline void PutDoubleLittle(unsigned char* out, double value) {
    const auto bits = std::bit_cast<std::uint64_t>(value);
    for (int byte = 0; byte < 8; ++byte) {
        out[byte] = static_cast<unsigned char>(bits >> (8 * byte));
    }
}

}  // namespace tesselar
