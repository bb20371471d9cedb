#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "geopackage/Sqlite.h"
#include "spatial/HilbertOrder.h"

namespace tesselar {

// Builds the SQLite R-tree (id, minx, maxx, miny, maxy) of a new table's rows in memory and
// writes it as whole nodes into the R-tree's own tables: leaves of rows near each other in
// space, each full but the last, and the levels above them. Inserting a million rows one by one
// into an R-tree takes SQLite about 35 seconds; this takes a fraction of one.
//
// The rows' boxes are added as the rows are, with ids 1, 2 ...; each goes straight into its
// leaf, so that only the nodes are kept.
class RtreeBulkLoad {
public:
    // `spatialOrder`: every row's id less one, once, in the order the leaves take them.
    explicit RtreeBulkLoad(std::span<const std::uint32_t> spatialOrder);

    // Writes into the empty R-tree `rtree`, just created, which node holds which: what rests on
    // the rows' count and order alone, written before any row is added. The rows' ids are those
    // SQLite gives the rows of a new table, 1, 2 ... in the order added.
    void WriteLinks(SqliteDatabase& db, const std::string& rtree) const;
    // The box of the row with the next id.
    void Add(const Box& box);
    // Writes the R-tree's nodes, once every row is added.
    void WriteNodes(SqliteDatabase& db, const std::string& rtree) const;

private:
    // The node numbers of each level, leaves first: the root is 1, the leaves below it 2, 3 ...
    // then the levels above them in turn.
    std::vector<std::vector<std::int64_t>> NodeNumbers() const;

    std::vector<std::uint32_t> positionOf_;  // by id less one: the row's place in the order
    // The leaves' bytes, one node after another, each cell written when its row is added: not
    // zeroed first, which would cost as much again before the first row.
    std::unique_ptr<unsigned char[]> leaves_;
    std::vector<Box> leafBoxes_;
    std::uint32_t added_ = 0;
};

}  // namespace tesselar
