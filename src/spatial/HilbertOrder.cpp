#include "spatial/HilbertOrder.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace tesselar {

namespace {

constexpr std::uint32_t kSide = 1U << 16;

// The 16 bits of `bits` spread to the even bits of the result.
std::uint32_t Interleaved(std::uint32_t bits) {
    bits = (bits | (bits << 8)) & 0x00FF00FFU;
    bits = (bits | (bits << 4)) & 0x0F0F0F0FU;
    bits = (bits | (bits << 2)) & 0x33333333U;
    return (bits | (bits << 1)) & 0x55555555U;
}

// Sorts keys that hold a Hilbert value above a number, given in the order of their numbers, by
// their Hilbert values, keeping the numbers' order among equal values: two stable counting
// passes over 16 bits each, several times faster than a comparison sort of a million keys.
void SortByHilbertValue(std::vector<std::uint64_t>& keys) {
    constexpr std::size_t kDigits = std::size_t{1} << 16;
    std::vector<std::uint64_t> sorted(keys.size());
    std::vector<std::size_t> starts(kDigits);
    for (const int shift : {32, 48}) {
        std::fill(starts.begin(), starts.end(), 0);
        for (const std::uint64_t key : keys) {
            ++starts[(key >> shift) & (kDigits - 1)];
        }
        std::size_t start = 0;
        for (std::size_t& count : starts) {
            start += std::exchange(count, start);
        }
        for (const std::uint64_t key : keys) {
            sorted[starts[(key >> shift) & (kDigits - 1)]++] = key;
        }
        keys.swap(sorted);
    }
}

}  // namespace

std::uint32_t HilbertIndex(std::uint32_t x, std::uint32_t y) {
    // The curve's turns, found for all 16 levels at once by a prefix scan over the bits of x
    // and y in four rounds, with no branch, instead of a loop over the levels.
    constexpr std::uint32_t kAll = kSide - 1;
    std::uint32_t a = x ^ y;
    std::uint32_t b = kAll ^ a;
    std::uint32_t c = kAll ^ (x | y);
    std::uint32_t d = x & (y ^ kAll);
    std::uint32_t turnA = a | (b >> 1);
    std::uint32_t turnB = (a >> 1) ^ a;
    std::uint32_t turnC = ((c >> 1) ^ (b & (d >> 1))) ^ c;
    std::uint32_t turnD = ((a & (c >> 1)) ^ (d >> 1)) ^ d;
    for (const int shift : {2, 4}) {
        a = turnA;
        b = turnB;
        c = turnC;
        d = turnD;
        turnA = (a & (a >> shift)) ^ (b & (b >> shift));
        turnB = (a & (b >> shift)) ^ (b & ((a ^ b) >> shift));
        turnC ^= (a & (c >> shift)) ^ (b & (d >> shift));
        turnD ^= (b & (c >> shift)) ^ ((a ^ b) & (d >> shift));
    }
    a = turnA;
    b = turnB;
    c = turnC;
    d = turnD;
    turnC ^= (a & (c >> 8)) ^ (b & (d >> 8));
    turnD ^= (b & (c >> 8)) ^ ((a ^ b) & (d >> 8));
    a = turnC ^ (turnC >> 1);
    b = turnD ^ (turnD >> 1);
    const std::uint32_t low = x ^ y;
    const std::uint32_t high = b | (kAll ^ (low | a));
    return (Interleaved(high) << 1) | Interleaved(low);
}

std::vector<std::uint32_t> HilbertOrder(const std::vector<Box>& boxes, const Box& extent) {
    const double width = extent.maxX - extent.minX;
    const double height = extent.maxY - extent.minY;
    const auto cell = [](double offset, double size) {
        return size > 0.0
                   ? static_cast<std::uint32_t>(std::clamp(std::floor((kSide - 1) * offset / size),
                                                           0.0, static_cast<double>(kSide - 1)))
                   : 0U;
    };
    // The Hilbert value above the box's number, so that one sort orders both.
    std::vector<std::uint64_t> keys(boxes.size());
    for (std::size_t n = 0; n < boxes.size(); ++n) {
        const Box& box = boxes[n];
        const std::uint32_t x = cell((box.minX + box.maxX) / 2 - extent.minX, width);
        const std::uint32_t y = cell((box.minY + box.maxY) / 2 - extent.minY, height);
        keys[n] = std::uint64_t{HilbertIndex(x, y)} << 32 | n;
    }
    SortByHilbertValue(keys);
    std::vector<std::uint32_t> order(keys.size());
    std::transform(keys.begin(), keys.end(), order.begin(),
                   [](std::uint64_t key) { return static_cast<std::uint32_t>(key); });
    return order;
}

}  // namespace tesselar
