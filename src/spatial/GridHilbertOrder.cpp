#include "spatial/GridHilbertOrder.h"

#include <algorithm>

namespace tesselar {

namespace {

// Walks the curve through a square given by a corner and its two sides, (ai, aj) walked first
// at its top level and (bi, bj), each one power of two long along one axis, splitting it into
// four until squares of one cell remain; squares outside the grid are skipped whole.
class HilbertWalk {
public:
    HilbertWalk(std::uint32_t rows, std::uint32_t columns, std::vector<std::uint32_t>& cells)
        : rows_(rows), columns_(columns), cells_(cells) {}

    void Square(std::int64_t i, std::int64_t j, std::int64_t ai, std::int64_t aj, std::int64_t bi,
                std::int64_t bj) {
        const std::int64_t firstRow =
            i + std::min<std::int64_t>(ai, 0) + std::min<std::int64_t>(bi, 0);
        const std::int64_t firstColumn =
            j + std::min<std::int64_t>(aj, 0) + std::min<std::int64_t>(bj, 0);
        const std::int64_t side = std::abs(ai + aj);
        if (firstRow >= rows_ || firstColumn >= columns_ || firstRow + side <= 0 ||
            firstColumn + side <= 0) {
            return;
        }
        if (side == 1) {
            cells_.push_back(static_cast<std::uint32_t>(firstRow * columns_ + firstColumn));
            return;
        }
        const std::int64_t hi = ai / 2;
        const std::int64_t hj = aj / 2;
        const std::int64_t ki = bi / 2;
        const std::int64_t kj = bj / 2;
        Square(i, j, ki, kj, hi, hj);
        Square(i + hi, j + hj, hi, hj, ki, kj);
        Square(i + hi + ki, j + hj + kj, hi, hj, ki, kj);
        Square(i + hi + bi, j + hj + bj, -ki, -kj, -hi, -hj);
    }

private:
    std::int64_t rows_;
    std::int64_t columns_;
    std::vector<std::uint32_t>& cells_;
};

}  // namespace

std::vector<std::uint32_t> GridHilbertOrder(std::uint32_t rows, std::uint32_t columns) {
    std::vector<std::uint32_t> cells;
    cells.reserve(std::size_t{rows} * columns);
    std::int64_t side = 1;
    while (side < rows || side < columns) {
        side *= 2;
    }
    HilbertWalk(rows, columns, cells).Square(0, 0, side, 0, 0, side);
    return cells;
}

}  // namespace tesselar
