#pragma once

#include <string>
#include <vector>

#include "geopackage/Sqlite.h"
#include "spatial/HilbertOrder.h"

namespace tesselar {

// Fills the empty SQLite R-tree `rtree` (id, minx, maxx, miny, maxy), just created, with the
// boxes of the rows of `table` whose `idColumn` is 1, 2 ... in the order given (`copies` times
// over: row n + 1 of each further copy has the box of row 1, and so on), as whole nodes
// written into the R-tree's own tables: leaves of neighbouring boxes (in Hilbert order), each full
// but the last, and the levels above them. Inserting a million rows one by one into an R-tree takes
// SQLite about 35 seconds; this takes a fraction of one.
void BulkLoadRtree(SqliteDatabase& db, const std::string& rtree, const std::vector<Box>& boxes,
                   const std::string& table, const std::string& idColumn, std::size_t copies = 1);

}  // namespace tesselar
