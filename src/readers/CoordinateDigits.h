#pragma once

#include <cstdint>

#include "conversion/ZeroedArray.h"

namespace tesselar {

// The X and Y coordinates of a grid's nodes, or of particles at (p, 1).
struct NodeCoordinates {
    const Array2D& x;
    const Array2D& y;
};

// How many cells (i, j), i 1..iMax and j 1..jMax, enclose no area with their corners `rounded`
// while they do with their corners as read (`withDigits`). A cell's area is the shoelace
// formula's over its four corners; the rounded one is judged exactly in hundredths.
std::int64_t CellsLosingArea(NodeCoordinates rounded, NodeCoordinates withDigits, int iMax,
                             int jMax);

// How many particles 1..count share their `rounded` position with another particle that lies
// elsewhere as read (`withDigits`).
std::int64_t ParticlesCoinciding(NodeCoordinates rounded, NodeCoordinates withDigits, int count);

}  // namespace tesselar
