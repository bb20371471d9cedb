#pragma once

#include <cstdint>

#include "conversion/ZeroedArray.h"
#include "readers/CoordinatesAsRead.h"

namespace tesselar {

// The X and Y coordinates of a grid's nodes, or of particles at (p, 1).
struct NodeCoordinates {
    const Array2D& x;
    const Array2D& y;
};

// The same coordinates with every digit as read.
struct NodesAsRead {
    const CoordinatesAsRead& x;
    const CoordinatesAsRead& y;
};

// How many cells (i, j), i 1..iMax and j 1..jMax, that enclose an area with their corners as
// read (`withDigits`) would be changed by their corners `rounded` to hundredths: their area by
// more than 1%, or their ring from a valid polygon into one without area or with edges that
// cross or touch.
std::int64_t CellsChangedByRounding(NodeCoordinates rounded, NodesAsRead withDigits, int iMax,
                                    int jMax);

// How many particles 1..count share their `rounded` position with another particle that lies
// elsewhere as read (`withDigits`).
std::int64_t ParticlesCoinciding(NodeCoordinates rounded, NodesAsRead withDigits, int count);

}  // namespace tesselar
