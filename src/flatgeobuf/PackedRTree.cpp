#include "flatgeobuf/PackedRTree.h"

#include <algorithm>

namespace tesselar {

std::vector<std::pair<std::uint64_t, std::uint64_t>> LevelBounds(std::uint64_t itemCount,
                                                                 std::uint16_t nodeSize) {
    std::vector<std::uint64_t> counts{itemCount};
    std::uint64_t count = itemCount;
    std::uint64_t total = itemCount;
    do {
        count = (count + nodeSize - 1) / nodeSize;
        total += count;
        counts.push_back(count);
    } while (count != 1);
    std::vector<std::pair<std::uint64_t, std::uint64_t>> bounds;
    std::uint64_t end = total;
    for (const std::uint64_t levelCount : counts) {
        bounds.emplace_back(end - levelCount, end);
        end -= levelCount;
    }
    return bounds;
}

void BuildInnerNodes(std::vector<IndexNode>& nodes, std::uint64_t itemCount, std::uint16_t nodeSize,
                     std::size_t filled) {
    const auto bounds = LevelBounds(itemCount, nodeSize);
    for (std::size_t level = filled; level + 1 < bounds.size(); ++level) {
        std::uint64_t child = bounds[level].first;
        std::uint64_t parent = bounds[level + 1].first;
        while (child < bounds[level].second) {
            IndexNode node = nodes[child];
            node.offset = child;
            const std::uint64_t end =
                std::min<std::uint64_t>(child + nodeSize, bounds[level].second);
            for (++child; child < end; ++child) {
                node.box.Include(nodes[child].box);
            }
            nodes[parent++] = node;
        }
    }
}

}  // namespace tesselar
