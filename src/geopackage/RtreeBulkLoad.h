#pragma once

#include <cstdint>
#include <functional>
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
//
// A model run adds the same shapes once per step: with `copies` above 1 the rows are the
// shapes of the order `copies` times over (row n + k * shapes has the box of row n), a shape's
// copies side by side in the leaves. Only the first copy's boxes are kept, so that memory does
// not grow with the copies.
class RtreeBulkLoad {
public:
    // `spatialOrder`: every shape's row id less one, once, in the order the leaves take them.
    explicit RtreeBulkLoad(std::span<const std::uint32_t> spatialOrder, std::size_t copies = 1);

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
    std::uint64_t Rows() const { return positionOf_.size() * copies_; }
    // The place of row `row` (its id less one) among the leaves' cells.
    std::uint64_t PositionOf(std::uint64_t row) const {
        const std::size_t shapes = positionOf_.size();
        return std::uint64_t{positionOf_[row % shapes]} * copies_ + row / shapes;
    }
    // The leaves of a run's rows, built from the first copy's cells, and their boxes.
    std::vector<Box> WriteCopiedLeaves(
        const std::vector<std::int64_t>& numbers,
        const std::function<void(std::int64_t, const unsigned char*, std::size_t)>& write) const;

    std::vector<std::uint32_t> positionOf_;  // by id less one: the shape's place in the order
    std::size_t copies_;
    // The leaves' bytes of the first copy's rows, one node after another, each cell written when
    // its row is added: not zeroed first, which would cost as much again before the first row.
    std::unique_ptr<unsigned char[]> leaves_;
    std::vector<Box> leafBoxes_;
    std::uint64_t added_ = 0;
};

}  // namespace tesselar
