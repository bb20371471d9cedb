#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace tesselar {

// A shape's bounding box.
struct Box {
    double minX = 0.0;
    double minY = 0.0;
    double maxX = 0.0;
    double maxY = 0.0;

    // Inline: the writers call it for every corner of every shape.
    void Include(const Box& other) {
        minX = std::min(minX, other.minX);
        minY = std::min(minY, other.minY);
        maxX = std::max(maxX, other.maxX);
        maxY = std::max(maxY, other.maxY);
    }
};

// The position on a Hilbert curve over a 65536 x 65536 grid of the point (x, y) of that grid.
std::uint32_t HilbertIndex(std::uint32_t x, std::uint32_t y);

// The numbers of `boxes` (their positions) in the order of the Hilbert values of their centres
// on a 65536 x 65536 grid laid over `extent`, the boxes' extent: boxes near each other come
// near each other, as a spatial index wants its leaves.
std::vector<std::uint32_t> HilbertOrder(const std::vector<Box>& boxes, const Box& extent);

}  // namespace tesselar
