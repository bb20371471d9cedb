// The benchmark's limit for a GeoPackage model run: the least a writer through SQLite has to do
// for the run's rows and spatial index, with nothing read and nothing computed.
//
//   tesselar-bench-sqlite-limit OUTPUT CELLS STEPS
//
// It writes CELLS x STEPS rows of a model run's layer (fid, a cell's 101-byte polygon, step, one
// real value) and the three tables of their R-tree (a leaf link per row, full nodes, a
// parent per node) in one transaction, with the pragmas a new GeoPackage is written with and
// as many rows to an INSERT as SQLite takes fastest, then syncs the file to disk. The file
// holds as many bytes as the run's GeoPackage; its blobs and boxes are placeholders.

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "geopackage/InsertRows.h"
#include "geopackage/Sqlite.h"

namespace {

using tesselar::InsertRows;
using tesselar::SqliteDatabase;
using tesselar::SqliteStatement;

constexpr int kGeometryBytes = 101;  // a cell's GeoPackage polygon without an envelope
constexpr int kNodeBytes = 4 + 51 * 24;
constexpr int kCellsPerNode = 51;

void WriteRun(const std::string& path, std::int64_t cells, std::int64_t steps) {
    const std::int64_t rows = cells * steps;
    std::remove(path.c_str());
    SqliteDatabase db(path, true, path);
    db.Execute(
        "PRAGMA page_size = 65536; PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; "
        "PRAGMA cache_size = -2048");
    db.Execute(
        "CREATE TABLE run (fid INTEGER PRIMARY KEY NOT NULL, geom POLYGON, "
        "step INTEGER, TEMP REAL)");
    db.Execute("CREATE VIRTUAL TABLE rtree_run_geom USING rtree(id, minx, maxx, miny, maxy)");
    db.Execute("BEGIN");

    // The R-tree's leaves, then the levels above them up to the root.
    std::vector<std::int64_t> levelNodes{(rows + kCellsPerNode - 1) / kCellsPerNode};
    while (levelNodes.back() > 1) {
        levelNodes.push_back((levelNodes.back() + kCellsPerNode - 1) / kCellsPerNode);
    }
    std::int64_t nodes = 0;
    for (const std::int64_t level : levelNodes) {
        nodes += level;
    }
    const auto count = [](std::int64_t n) { return static_cast<std::uint64_t>(n); };
    const auto id = [](std::uint64_t row) { return static_cast<std::int64_t>(row); };
    InsertRows(db, "INSERT INTO rtree_run_geom_parent VALUES ", 2, count(nodes - 1), 64,
               [&](SqliteStatement& s, int p, std::uint64_t row) {
                   s.Bind(p, id(row) + 2);
                   s.Bind(p + 1, id(row) / kCellsPerNode + 1);
               });
    InsertRows(db, "INSERT INTO rtree_run_geom_rowid (nodeno) VALUES ", 1, count(rows), 64,
               [&](SqliteStatement& s, int p, std::uint64_t row) {
                   s.Bind(p, id(row) / kCellsPerNode + 2);
               });

    const std::vector<unsigned char> geometry(kGeometryBytes, 0x40);
    InsertRows(db, "INSERT INTO run VALUES ", 4, count(rows), 256,
               [&](SqliteStatement& s, int p, std::uint64_t row) {
                   s.BindNull(p);
                   s.BindBlob(p + 1, geometry.data(), kGeometryBytes);
                   s.Bind(p + 2, id(row) / cells + 1);
                   s.Bind(p + 3, static_cast<double>(id(row) % 2000) / 100.0 - 3.005);
               });

    // The root SQLite made with the table is written again with the others.
    db.Execute("DELETE FROM rtree_run_geom_node");
    const std::vector<unsigned char> node(kNodeBytes, 0x41);
    InsertRows(db, "INSERT INTO rtree_run_geom_node VALUES ", 2, count(nodes), 1,
               [&](SqliteStatement& s, int p, std::uint64_t row) {
                   s.Bind(p, id(row) + 1);
                   s.BindBlob(p + 1, node.data(), kNodeBytes);
               });
    db.Execute("COMMIT");
    db.Close();
}

void Sync(const std::string& path) {
    const int descriptor = ::open(path.c_str(), O_RDONLY);
    if (descriptor < 0 || ::fsync(descriptor) != 0) {
        throw std::runtime_error(path + ": cannot sync");
    }
    ::close(descriptor);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: tesselar-bench-sqlite-limit OUTPUT CELLS STEPS\n");
        return 2;
    }
    try {
        WriteRun(argv[1], std::stoll(argv[2]), std::stoll(argv[3]));
        Sync(argv[1]);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tesselar-bench-sqlite-limit: %s\n", error.what());
        return 1;
    }
    return 0;
}
