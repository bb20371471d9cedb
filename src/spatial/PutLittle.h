#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace tesselar {

// Stores `value` at `out` in little-endian order, as the GeoPackage's geometries and FlatGeobuf
// files keep their numbers: one copy on a little-endian host. The byte-by-byte stores of
// controls/shapefile/ByteOrder.h, which any host takes, are compiled here into a vector built
// on the stack and read back, which stalls; encoding a cell's geometry took twice as long.
template <typename Value>
inline void PutLittle(unsigned char* out, Value value) {
    static_assert(std::is_arithmetic_v<Value>);
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(out, &value, sizeof(Value));
    } else {
        using Bits = std::conditional_t<
            sizeof(Value) == 8, std::uint64_t,
            std::conditional_t<sizeof(Value) == 4, std::uint32_t, std::uint16_t>>;
        const auto bits = std::bit_cast<Bits>(value);
        for (std::size_t byte = 0; byte < sizeof(Value); ++byte) {
            out[byte] = static_cast<unsigned char>(bits >> (8 * byte));
        }
    }
}

}  // namespace tesselar
