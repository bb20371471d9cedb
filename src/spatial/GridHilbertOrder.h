#pragma once

#include <cstdint>
#include <vector>

namespace tesselar {

// The cells of a grid of `rows` x `columns` cells, numbered row by row from 0 (column fastest),
// in the order a Hilbert curve over the smallest power-of-two square holding the grid visits
// them: cells near each other in the grid come near each other, as a spatial index wants its
// leaves. For a structured grid, whose neighbouring cells are neighbours in space, this is the
// order of a Hilbert sort of the cells without measuring or sorting them.
std::vector<std::uint32_t> GridHilbertOrder(std::uint32_t rows, std::uint32_t columns);

}  // namespace tesselar
