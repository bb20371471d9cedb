#include "mesh/MeshFaces.h"

#include <cstddef>

namespace tesselar {

void FaceRow(int row, int nodeColumns, const double* x0, const double* y0, const double* x1,
             const double* y1, std::int32_t* nodes) {
    const std::int32_t first = row * nodeColumns;
    for (int c = 0; c + 1 < nodeColumns; ++c) {
        const auto at = static_cast<std::size_t>(c);
        // Twice the signed area, from the diagonals: positive for corners anticlockwise.
        const double twiceArea = (x1[at + 1] - x0[at]) * (y0[at + 1] - y1[at]) -
                                 (x0[at + 1] - x1[at]) * (y1[at + 1] - y0[at]);
        const std::int32_t corner = first + c;
        std::int32_t* face = nodes + 4 * at;
        face[0] = corner;
        face[2] = corner + nodeColumns + 1;
        if (twiceArea < 0.0) {
            face[1] = corner + 1;
            face[3] = corner + nodeColumns;
        } else {
            face[1] = corner + nodeColumns;
            face[3] = corner + 1;
        }
    }
}

}  // namespace tesselar
