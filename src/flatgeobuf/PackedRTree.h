#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "spatial/HilbertOrder.h"

namespace tesselar {

// A node of a FlatGeobuf index: its box and, for a leaf, the feature's byte offset among the
// features, else the position of its first child among the nodes. 40 bytes in the file.
struct IndexNode {
    Box box;
    std::uint64_t offset = 0;
};
inline constexpr std::size_t kIndexNodeBytes = 40;

// The levels of a packed R-tree of `itemCount` leaves with `nodeSize` children per node, as
// [first, end) positions in the node array: leaves first in this list, the root last; in the
// array the root comes first and the leaves last.
std::vector<std::pair<std::uint64_t, std::uint64_t>> LevelBounds(std::uint64_t itemCount,
                                                                 std::uint16_t nodeSize);

// Fills the nodes of `nodes` (laid out as LevelBounds says for `itemCount` leaves) above level
// `filled` (0: the leaves) from their children, level by level up to the root; those of that
// level are filled. Only the nodes above it need be held: `nodes` may end where it begins.
void BuildInnerNodes(std::vector<IndexNode>& nodes, std::uint64_t itemCount, std::uint16_t nodeSize,
                     std::size_t filled = 0);

}  // namespace tesselar
