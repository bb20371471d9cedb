#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <set>
#include <vector>

#include "flatgeobuf/PackedRTree.h"
#include "spatial/GridHilbertOrder.h"
#include "spatial/HilbertOrder.h"

namespace tesselar {
namespace {

// A Hilbert curve fills each aligned square of 2^k x 2^k cells in one stretch of 4^k
// consecutive positions, moving to a neighbouring cell at each step.
TEST(HilbertIndexTest, FillsAlignedSquaresOneNeighbourAtATime) {
    constexpr int kSide = 256;
    for (const auto& [x0, y0] : {std::pair{0, 0}, std::pair{256, 0}, std::pair{40960, 65280}}) {
        std::vector<std::pair<int, int>> cellAt(kSide * kSide, {-1, -1});
        std::uint32_t first = ~0U;
        for (int x = x0; x < x0 + kSide; ++x) {
            for (int y = y0; y < y0 + kSide; ++y) {
                first = std::min(first, HilbertIndex(static_cast<std::uint32_t>(x),
                                                     static_cast<std::uint32_t>(y)));
            }
        }
        for (int x = x0; x < x0 + kSide; ++x) {
            for (int y = y0; y < y0 + kSide; ++y) {
                const std::uint32_t position =
                    HilbertIndex(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y)) -
                    first;
                ASSERT_LT(position, static_cast<std::uint32_t>(kSide * kSide));
                ASSERT_EQ(cellAt[position].first, -1) << "two cells at one position";
                cellAt[position] = {x, y};
            }
        }
        for (std::size_t p = 1; p < cellAt.size(); ++p) {
            ASSERT_EQ(std::abs(cellAt[p].first - cellAt[p - 1].first) +
                          std::abs(cellAt[p].second - cellAt[p - 1].second),
                      1)
                << "step " << p << " of the square at " << x0 << ", " << y0;
        }
    }
}

TEST(HilbertOrderTest, OrdersEveryBoxOnceNeighboursTogether) {
    // Four quadrants of a square, each with two boxes, given in scrambled order.
    const std::vector<Box> boxes = {{0, 0, 1, 1}, {9, 9, 10, 10}, {0, 9, 1, 10}, {9, 0, 10, 1},
                                    {1, 1, 2, 2}, {8, 8, 9, 9},   {1, 8, 2, 9},  {8, 1, 9, 2}};
    const std::vector<std::uint32_t> order = HilbertOrder(boxes, Box{0, 0, 10, 10});
    EXPECT_EQ(std::set<std::uint32_t>(order.begin(), order.end()).size(), boxes.size());
    // Boxes of one quadrant follow each other.
    for (std::size_t n = 0; n < order.size(); n += 2) {
        EXPECT_EQ(order[n] % 4, order[n + 1] % 4) << n;
    }
}

// Every cell once; a square of a power of two a side walked one neighbour at a time; in any
// grid, the cells of each aligned 4 x 4 block (those of it in the grid) in one stretch.
TEST(GridHilbertOrderTest, VisitsEveryCellOnceBlockByBlock) {
    const std::vector<std::pair<std::uint32_t, std::uint32_t>> grids = {
        {1, 1}, {1, 7}, {5, 3}, {8, 8}, {16, 16}, {37, 23}, {2, 300}, {64, 64}};
    for (const auto& [rows, columns] : grids) {
        const std::vector<std::uint32_t> order = GridHilbertOrder(rows, columns);
        ASSERT_EQ(order.size(), std::size_t{rows} * columns) << rows << " x " << columns;
        ASSERT_EQ(std::set<std::uint32_t>(order.begin(), order.end()).size(), order.size());
        ASSERT_LT(*std::max_element(order.begin(), order.end()), rows * columns);
        const bool square = rows == columns && (rows & (rows - 1)) == 0;
        std::map<std::uint32_t, std::pair<std::size_t, std::size_t>> blockStretch;
        for (std::size_t n = 0; n < order.size(); ++n) {
            const std::uint32_t i = order[n] / columns;
            const std::uint32_t j = order[n] % columns;
            if (square && n > 0) {
                const auto pi = static_cast<int>(order[n - 1] / columns);
                const auto pj = static_cast<int>(order[n - 1] % columns);
                ASSERT_EQ(std::abs(static_cast<int>(i) - pi) + std::abs(static_cast<int>(j) - pj),
                          1)
                    << "step " << n << " of " << rows << " x " << columns;
            }
            const std::uint32_t block = (i / 4) * 1024 + j / 4;
            auto [stretch, added] = blockStretch.try_emplace(block, n, n);
            ASSERT_TRUE(added || stretch->second.second + 1 == n)
                << "block " << i / 4 << ", " << j / 4 << " of " << rows << " x " << columns
                << " left and entered again at step " << n;
            stretch->second.second = n;
        }
    }
}

// The format's own example: 179 features, 16 to a node: 1 root, 12 nodes, 179 leaves.
TEST(PackedRTreeTest, LevelsAsTheFormatLaysThemOut) {
    using Bounds = std::vector<std::pair<std::uint64_t, std::uint64_t>>;
    EXPECT_EQ(LevelBounds(179, 16), (Bounds{{13, 192}, {1, 13}, {0, 1}}));
    EXPECT_EQ(LevelBounds(1, 16), (Bounds{{1, 2}, {0, 1}}));
    EXPECT_EQ(LevelBounds(16, 16), (Bounds{{1, 17}, {0, 1}}));
    EXPECT_EQ(LevelBounds(17, 16), (Bounds{{3, 20}, {1, 3}, {0, 1}}));
}

TEST(PackedRTreeTest, InnerNodesHoldTheirChildren) {
    std::vector<IndexNode> nodes(20);
    for (std::uint64_t leaf = 0; leaf < 17; ++leaf) {
        const double x = static_cast<double>(leaf);
        nodes[3 + leaf] = IndexNode{Box{x, -x, x + 1, 1 - x}, 100 * leaf};
    }
    BuildInnerNodes(nodes, 17, 16);
    EXPECT_EQ(nodes[1].offset, 3u);
    EXPECT_EQ(nodes[2].offset, 19u);
    EXPECT_EQ(nodes[0].offset, 1u);
    EXPECT_EQ((std::vector<double>{nodes[1].box.minX, nodes[1].box.minY, nodes[1].box.maxX,
                                   nodes[1].box.maxY}),
              (std::vector<double>{0, -15, 16, 1}));
    EXPECT_EQ((std::vector<double>{nodes[0].box.minX, nodes[0].box.minY, nodes[0].box.maxX,
                                   nodes[0].box.maxY}),
              (std::vector<double>{0, -16, 17, 1}));
}

}  // namespace
}  // namespace tesselar
