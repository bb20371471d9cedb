#pragma once

#include <cstdint>

namespace tesselar {

// The faces of row `row` (from 0) of a structured grid of `nodeColumns` nodes per row, four
// node numbers each into `nodes`: the cell of nodes (row, c), (row + 1, c), (row + 1, c + 1) and
// (row, c + 1), anticlockwise as its coordinates lie (`x0`, `y0` the nodes of row `row`, `x1`,
// `y1` those of the next), so that a mirrored grid's cells turn the right way too; a cell
// without area keeps that order. Node (r, c) is number r * nodeColumns + c.
void FaceRow(int row, int nodeColumns, const double* x0, const double* y0, const double* x1,
             const double* y1, std::int32_t* nodes);

}  // namespace tesselar
