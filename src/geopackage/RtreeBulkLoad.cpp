#include "geopackage/RtreeBulkLoad.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>

#include "geopackage/GeoPackageError.h"
#include "geopackage/InsertRows.h"

namespace tesselar {

namespace {

// SQLite's R-tree node: a 2-byte depth (kept in the root only), a 2-byte cell count, then per
// cell an 8-byte id (a row's, or a child node's number) and the box as 4-byte floats minx,
// maxx, miny, maxy, all big-endian. Every node has the size SQLite gives a new R-tree of two
// dimensions: 51 cells, its most.
constexpr std::size_t kCellsPerNode = 51;
constexpr std::size_t kCellBytes = 8 + 4 * 4;
constexpr std::size_t kNodeBytes = 4 + kCellsPerNode * kCellBytes;
constexpr std::int64_t kRootNode = 1;

void PutBig(unsigned char* out, std::uint64_t value, int bytes) {
    for (int b = 0; b < bytes; ++b) {
        out[b] = static_cast<unsigned char>(value >> (8 * (bytes - 1 - b)));
    }
}

// The float nearest to `value` on the side that keeps the box around the shape, as SQLite
// rounds the coordinates it stores.
float RoundedDown(double value) {
    const auto rounded = static_cast<float>(value);
    return static_cast<double>(rounded) > value ? std::nextafter(rounded, -INFINITY) : rounded;
}
float RoundedUp(double value) {
    const auto rounded = static_cast<float>(value);
    return static_cast<double>(rounded) < value ? std::nextafter(rounded, INFINITY) : rounded;
}

void PutFloat(unsigned char* out, float value) {
    PutBig(out, std::bit_cast<std::uint32_t>(value), 4);
}

std::uint64_t GetBig(const unsigned char* in, int bytes) {
    std::uint64_t value = 0;
    for (int b = 0; b < bytes; ++b) {
        value = value << 8 | in[b];
    }
    return value;
}

double GetFloat(const unsigned char* in) {
    return std::bit_cast<float>(static_cast<std::uint32_t>(GetBig(in, 4)));
}

// SQLite's node number of the leaf `leaf` (from 0) of a tree of `leaves` leaves: the root is 1,
// the leaves below it 2, 3 ... then the levels above them.
std::int64_t LeafNode(std::size_t leaf, std::size_t leaves) {
    return leaves == 1 ? kRootNode : kRootNode + 1 + static_cast<std::int64_t>(leaf);
}

void PutCell(unsigned char* node, std::size_t cell, std::int64_t id, const Box& box) {
    unsigned char* out = node + 4 + cell * kCellBytes;
    PutBig(out, static_cast<std::uint64_t>(id), 8);
    PutFloat(out + 8, RoundedDown(box.minX));
    PutFloat(out + 12, RoundedUp(box.maxX));
    PutFloat(out + 16, RoundedDown(box.minY));
    PutFloat(out + 20, RoundedUp(box.maxY));
}

// Rows of the R-tree's link tables inserted by one statement.
constexpr int kRowsPerInsert = 64;

}  // namespace

RtreeBulkLoad::RtreeBulkLoad(std::span<const std::uint32_t> spatialOrder, std::size_t copies)
    : positionOf_(spatialOrder.size()), copies_(spatialOrder.empty() ? 0 : copies) {
    for (std::size_t n = 0; n < spatialOrder.size(); ++n) {
        positionOf_.at(spatialOrder[n]) = static_cast<std::uint32_t>(n);
    }
    const std::size_t leaves = (spatialOrder.size() + kCellsPerNode - 1) / kCellsPerNode;
    leaves_.reset(new unsigned char[leaves * kNodeBytes]);
    // Empty boxes, which any box included replaces.
    leafBoxes_.assign(leaves, Box{INFINITY, INFINITY, -INFINITY, -INFINITY});
}

void RtreeBulkLoad::Add(const Box& box) {
    if (added_ == Rows()) {
        throw GeoPackageError("a spatial index of " + std::to_string(Rows()) + " rows got more");
    }
    if (added_ >= positionOf_.size()) {
        // A further copy of a shape: its box is the first copy's.
        ++added_;
        return;
    }
    const std::uint32_t position = positionOf_[added_];
    const std::size_t leaf = position / kCellsPerNode;
    const std::size_t cell = position % kCellsPerNode;
    PutCell(leaves_.get() + leaf * kNodeBytes, cell, static_cast<std::int64_t>(added_) + 1, box);
    leafBoxes_[leaf].Include(box);
    ++added_;
}

std::vector<std::vector<std::int64_t>> RtreeBulkLoad::NodeNumbers() const {
    const std::size_t leaves = (Rows() + kCellsPerNode - 1) / kCellsPerNode;
    std::vector<std::vector<std::int64_t>> levels(1);
    for (std::size_t leaf = 0; leaf < leaves; ++leaf) {
        levels[0].push_back(LeafNode(leaf, leaves));
    }
    std::int64_t next = LeafNode(leaves - 1, leaves) + 1;
    while (levels.back().size() > 1) {
        const std::size_t count = (levels.back().size() + kCellsPerNode - 1) / kCellsPerNode;
        std::vector<std::int64_t> above;
        for (std::size_t n = 0; n < count; ++n) {
            above.push_back(count == 1 ? kRootNode : next++);
        }
        levels.push_back(std::move(above));
    }
    return levels;
}

void RtreeBulkLoad::WriteLinks(SqliteDatabase& db, const std::string& rtree) const {
    const std::uint64_t rows = Rows();
    if (rows == 0) {
        return;
    }
    const std::vector<std::vector<std::int64_t>> levels = NodeNumbers();
    std::vector<std::pair<std::int64_t, std::int64_t>> parents;
    for (std::size_t level = 0; level + 1 < levels.size(); ++level) {
        for (std::size_t n = 0; n < levels[level].size(); ++n) {
            parents.emplace_back(levels[level][n], levels[level + 1][n / kCellsPerNode]);
        }
    }
    InsertRows(db, "INSERT INTO " + QuotedIdentifier(rtree + "_parent") + " VALUES ", 2,
               parents.size(), kRowsPerInsert,
               [&](SqliteStatement& insert, int parameter, std::uint64_t r) {
                   insert.Bind(parameter, parents[r].first);
                   insert.Bind(parameter + 1, parents[r].second);
               });
    // Which leaf holds each row. The rowids of a new table SQLite numbers 1, 2 ... itself, as it
    // does the rows', appending each without first looking the number up: about twice as fast
    // as giving every id.
    const std::vector<std::int64_t>& leaves = levels.front();
    InsertRows(db, "INSERT INTO " + QuotedIdentifier(rtree + "_rowid") + " (nodeno) VALUES ", 1,
               rows, kRowsPerInsert, [&](SqliteStatement& insert, int parameter, std::uint64_t r) {
                   insert.Bind(parameter, leaves[PositionOf(r) / kCellsPerNode]);
               });
    if (sqlite3_last_insert_rowid(db.Handle()) != static_cast<sqlite3_int64>(rows)) {
        throw GeoPackageError("cannot write the GeoPackage '" + db.File() +
                              "': the spatial index's rows were numbered from " +
                              std::to_string(sqlite3_last_insert_rowid(db.Handle()) -
                                             static_cast<sqlite3_int64>(rows) + 1) +
                              ", not 1");
    }
}

void RtreeBulkLoad::WriteNodes(SqliteDatabase& db, const std::string& rtree) const {
    const std::uint64_t rows = Rows();
    if (added_ != rows) {
        throw GeoPackageError("a spatial index of " + std::to_string(rows) + " rows got " +
                              std::to_string(added_));
    }
    if (rows == 0) {
        return;
    }
    const std::vector<std::vector<std::int64_t>> levels = NodeNumbers();
    const auto depth = static_cast<std::uint64_t>(levels.size() - 1);
    SqliteStatement putNode = db.Prepare("INSERT OR REPLACE INTO " +
                                         QuotedIdentifier(rtree + "_node") + " VALUES (?, ?)");
    std::array<unsigned char, kNodeBytes> node{};
    const auto write = [&](std::int64_t number, const unsigned char* bytes, std::size_t cells) {
        const std::size_t used = 4 + cells * kCellBytes;
        std::copy(bytes + 4, bytes + used, node.begin() + 4);
        std::fill(node.begin() + static_cast<std::ptrdiff_t>(used), node.end(), 0);
        PutBig(node.data(), number == kRootNode ? depth : 0, 2);
        PutBig(node.data() + 2, cells, 2);
        putNode.Bind(1, number);
        putNode.BindBlob(2, node.data(), static_cast<int>(kNodeBytes));
        putNode.Run();
    };
    std::vector<Box> boxes;
    if (copies_ == 1) {
        for (std::size_t leaf = 0; leaf < levels[0].size(); ++leaf) {
            write(levels[0][leaf], leaves_.get() + leaf * kNodeBytes,
                  std::min<std::uint64_t>(kCellsPerNode, rows - leaf * kCellsPerNode));
        }
        boxes = leafBoxes_;
    } else {
        boxes = WriteCopiedLeaves(levels[0], write);
    }
    // The levels above, up to the root: each node holds the boxes of its children.
    std::array<unsigned char, kNodeBytes> inner{};
    for (std::size_t level = 1; level < levels.size(); ++level) {
        std::vector<Box> above;
        const std::vector<std::int64_t>& children = levels[level - 1];
        for (std::size_t n = 0; n < levels[level].size(); ++n) {
            const std::size_t first = n * kCellsPerNode;
            const std::size_t end = std::min(children.size(), first + kCellsPerNode);
            Box box = boxes[first];
            for (std::size_t child = first; child < end; ++child) {
                PutCell(inner.data(), child - first, children[child], boxes[child]);
                box.Include(boxes[child]);
            }
            write(levels[level][n], inner.data(), end - first);
            above.push_back(box);
        }
        boxes = std::move(above);
    }
}

std::vector<Box> RtreeBulkLoad::WriteCopiedLeaves(
    const std::vector<std::int64_t>& numbers,
    const std::function<void(std::int64_t, const unsigned char*, std::size_t)>& write) const {
    const std::uint64_t rows = Rows();
    const std::size_t shapes = positionOf_.size();
    std::vector<Box> boxes;
    boxes.reserve(numbers.size());
    std::array<unsigned char, kNodeBytes> leaf{};
    for (std::size_t number = 0; number < numbers.size(); ++number) {
        const std::uint64_t first = std::uint64_t{number} * kCellsPerNode;
        const std::uint64_t end = std::min<std::uint64_t>(rows, first + kCellsPerNode);
        Box box{INFINITY, INFINITY, -INFINITY, -INFINITY};
        for (std::uint64_t position = first; position < end; ++position) {
            const std::uint64_t place = position / copies_;
            const unsigned char* cell = leaves_.get() + place / kCellsPerNode * kNodeBytes + 4 +
                                        place % kCellsPerNode * kCellBytes;
            unsigned char* out = leaf.data() + 4 + (position - first) * kCellBytes;
            std::copy(cell, cell + kCellBytes, out);
            // Copy k of the shape whose first copy is row id is row id + k * shapes.
            PutBig(out, GetBig(cell, 8) + position % copies_ * shapes, 8);
            box.Include(Box{GetFloat(cell + 8), GetFloat(cell + 16), GetFloat(cell + 12),
                            GetFloat(cell + 20)});
        }
        write(numbers[number], leaf.data(), static_cast<std::size_t>(end - first));
        boxes.push_back(box);
    }
    return boxes;
}

}  // namespace tesselar
