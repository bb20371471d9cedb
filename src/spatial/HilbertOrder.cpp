#include "spatial/HilbertOrder.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace tesselar {

namespace {

constexpr std::uint32_t kSide = 1U << 16;

}  // namespace

void Box::Include(const Box& other) {
    minX = std::min(minX, other.minX);
    minY = std::min(minY, other.minY);
    maxX = std::max(maxX, other.maxX);
    maxY = std::max(maxY, other.maxY);
}

std::uint32_t HilbertIndex(std::uint32_t x, std::uint32_t y) {
    std::uint32_t index = 0;
    for (std::uint32_t half = kSide / 2; half > 0; half /= 2) {
        const std::uint32_t rx = (x & half) != 0 ? 1 : 0;
        const std::uint32_t ry = (y & half) != 0 ? 1 : 0;
        index += half * half * ((3 * rx) ^ ry);
        // Turns the quadrant so that the curve inside it starts where the last one ended.
        if (ry == 0) {
            if (rx == 1) {
                x = kSide - 1 - x;
                y = kSide - 1 - y;
            }
            std::swap(x, y);
        }
    }
    return index;
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
    std::sort(keys.begin(), keys.end());
    std::vector<std::uint32_t> order(keys.size());
    std::transform(keys.begin(), keys.end(), order.begin(),
                   [](std::uint64_t key) { return static_cast<std::uint32_t>(key); });
    return order;
}

}  // namespace tesselar
