#include "geopackage/RtreeBulkLoad.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>

#include "geopackage/GeoPackageError.h"

namespace tesselar {

namespace {

// SQLite's R-tree node: a 2-byte depth (kept in the root only), a 2-byte cell count, then per
// cell an 8-byte id (a row's, or a child node's number) and the box as 4-byte floats minx,
// maxx, miny, maxy, all big-endian. Every node has the size SQLite gives a new R-tree of two
// dimensions: 51 cells, its most.
constexpr int kCellsPerNode = 51;
constexpr std::size_t kCellBytes = 8 + 4 * 4;
constexpr std::size_t kNodeBytes = 4 + kCellsPerNode * kCellBytes;
constexpr std::int64_t kRootNode = 1;
constexpr const char* kLeafFunction = "tesselar_rtree_leaf";

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

// A node being filled with cells.
class Node {
public:
    void Clear() {
        bytes_.fill(0);
        count_ = 0;
    }
    void AddCell(std::int64_t id, const Box& box) {
        unsigned char* cell = bytes_.data() + 4 + static_cast<std::size_t>(count_) * kCellBytes;
        PutBig(cell, static_cast<std::uint64_t>(id), 8);
        PutFloat(cell + 8, RoundedDown(box.minX));
        PutFloat(cell + 12, RoundedUp(box.maxX));
        PutFloat(cell + 16, RoundedDown(box.minY));
        PutFloat(cell + 20, RoundedUp(box.maxY));
        ++count_;
        PutBig(bytes_.data() + 2, static_cast<std::uint64_t>(count_), 2);
    }
    void SetDepth(int depth) { PutBig(bytes_.data(), static_cast<std::uint64_t>(depth), 2); }
    const unsigned char* Data() const { return bytes_.data(); }

private:
    std::array<unsigned char, kNodeBytes> bytes_{};
    int count_ = 0;
};

// A node of the level being built, for the level above: its number and box.
struct Child {
    std::int64_t node;
    Box box;
};

// Which leaf holds a row: the leaves are numbered from 2 (or the root alone is a leaf) in the
// order of the rows' positions, and copy c of shape s is at position rank[s] * copies + c.
struct LeafLookup {
    std::vector<std::uint32_t> rank;  // per shape, its place in Hilbert order
    std::uint64_t copies = 1;
    bool rootIsLeaf = false;

    std::uint64_t Rows() const { return rank.size() * copies; }
    std::int64_t LeafOf(std::uint64_t row) const {
        if (rootIsLeaf) {
            return kRootNode;
        }
        const std::uint64_t position =
            std::uint64_t{rank[row % rank.size()]} * copies + row / rank.size();
        return kRootNode + 1 + static_cast<std::int64_t>(position / kCellsPerNode);
    }
};

}  // namespace

void BulkLoadRtree(SqliteDatabase& db, const std::string& rtree, const std::vector<Box>& boxes,
                   const std::string& table, const std::string& idColumn, std::size_t copies) {
    if (boxes.empty() || copies == 0) {
        return;
    }
    const std::size_t rows = boxes.size() * copies;
    // The node count of each level, leaves first, so that the root can be numbered 1 and the
    // other nodes 2, 3 ... level by level.
    std::vector<std::size_t> levelNodes;
    for (std::size_t count = rows; levelNodes.empty() || levelNodes.back() > 1;) {
        count = (count + kCellsPerNode - 1) / kCellsPerNode;
        levelNodes.push_back(count);
    }
    const int depth = static_cast<int>(levelNodes.size()) - 1;

    SqliteStatement putNode = db.Prepare("INSERT OR REPLACE INTO " +
                                         QuotedIdentifier(rtree + "_node") + " VALUES (?, ?)");
    SqliteStatement putParent =
        db.Prepare("INSERT INTO " + QuotedIdentifier(rtree + "_parent") + " VALUES (?, ?)");
    Box extent = boxes.front();
    for (const Box& box : boxes) {
        extent.Include(box);
    }
    const std::vector<std::uint32_t> order = HilbertOrder(boxes, extent);

    LeafLookup leaves{std::vector<std::uint32_t>(boxes.size()), copies, depth == 0};
    for (std::size_t r = 0; r < order.size(); ++r) {
        leaves.rank[order[r]] = static_cast<std::uint32_t>(r);
    }
    std::int64_t nextNode = kRootNode + 1;
    std::vector<Child> level;
    Node node;
    const auto write = [&](std::int64_t number) {
        putNode.Bind(1, number);
        putNode.BindBlob(2, node.Data(), static_cast<int>(kNodeBytes));
        putNode.Run();
    };
    // The leaves: the rows' boxes in Hilbert order, the copies of a shape side by side,
    // kCellsPerNode to a leaf.
    for (std::size_t first = 0; first < rows; first += kCellsPerNode) {
        const std::int64_t number = depth == 0 ? kRootNode : nextNode++;
        node.Clear();
        node.SetDepth(number == kRootNode ? depth : 0);
        Box box = boxes[order[first / copies]];
        for (std::size_t n = first; n < std::min(rows, first + kCellsPerNode); ++n) {
            const std::uint32_t shape = order[n / copies];
            node.AddCell(static_cast<std::int64_t>((n % copies) * boxes.size() + shape) + 1,
                         boxes[shape]);
            box.Include(boxes[shape]);
        }
        write(number);
        level.push_back({number, box});
    }
    // The levels above, up to the root.
    while (level.size() > 1) {
        std::vector<Child> above;
        const bool root = level.size() <= static_cast<std::size_t>(kCellsPerNode);
        for (std::size_t first = 0; first < level.size(); first += kCellsPerNode) {
            const std::int64_t number = root ? kRootNode : nextNode++;
            node.Clear();
            node.SetDepth(root ? depth : 0);
            Box box = level[first].box;
            for (std::size_t n = first; n < std::min(level.size(), first + kCellsPerNode); ++n) {
                node.AddCell(level[n].node, level[n].box);
                box.Include(level[n].box);
                putParent.Bind(1, level[n].node);
                putParent.Bind(2, number);
                putParent.Run();
            }
            write(number);
            above.push_back({number, box});
        }
        level = std::move(above);
    }
    // Which leaf holds each row: one statement over the table's rows (cheaper than counting
    // them in SQL), which asks a function of this connection for the leaf, instead of a
    // statement run per row.
    const auto leafOfRow = [](sqlite3_context* context, int, sqlite3_value** arguments) {
        const auto& lookup = *static_cast<const LeafLookup*>(sqlite3_user_data(context));
        const sqlite3_int64 row = sqlite3_value_int64(arguments[0]);
        if (row < 1 || static_cast<std::uint64_t>(row) > lookup.Rows()) {
            sqlite3_result_error(context, "row beyond the spatial index's rows", -1);
            return;
        }
        sqlite3_result_int64(context, lookup.LeafOf(static_cast<std::uint64_t>(row - 1)));
    };
    if (sqlite3_create_function(db.Handle(), kLeafFunction, 1, SQLITE_UTF8, &leaves, leafOfRow,
                                nullptr, nullptr) != SQLITE_OK) {
        throw GeoPackageError("cannot write the GeoPackage '" + db.File() +
                              "': SQLite says: " + sqlite3_errmsg(db.Handle()));
    }
    db.Execute("INSERT INTO " + QuotedIdentifier(rtree + "_rowid") + " SELECT " +
               QuotedIdentifier(idColumn) + ", " + kLeafFunction + "(" +
               QuotedIdentifier(idColumn) + ") FROM " + QuotedIdentifier(table));
    sqlite3_create_function(db.Handle(), kLeafFunction, 1, SQLITE_UTF8, nullptr, nullptr, nullptr,
                            nullptr);
}

}  // namespace tesselar
