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
#include <sqlite3.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int kGeometryBytes = 101;  // a cell's GeoPackage polygon without an envelope
constexpr int kNodeBytes = 4 + 51 * 24;
constexpr int kCellsPerNode = 51;

class Database {
public:
    explicit Database(const std::string& path) : path_(path) {
        std::remove(path.c_str());
        if (sqlite3_open_v2(path.c_str(), &db_,
                            SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                            nullptr) != SQLITE_OK) {
            throw std::runtime_error(path + ": " + sqlite3_errmsg(db_));
        }
    }
    ~Database() { sqlite3_close(db_); }
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    void Execute(const std::string& sql) {
        if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
            Fail(sql);
        }
    }
    // Inserts `rows` rows through "INSERT INTO `table` VALUES" with `columns` parameters a row,
    // `perInsert` rows a statement; bind(statement, first parameter, row) binds one row.
    template <typename Bind>
    void Insert(const std::string& table, int columns, std::int64_t rows, int perInsert,
                Bind bind) {
        std::string row = "(?";
        for (int c = 1; c < columns; ++c) {
            row += ", ?";
        }
        row += ")";
        std::string sql = "INSERT INTO " + table + " VALUES " + row;
        for (int r = 1; r < perInsert; ++r) {
            sql += ", " + row;
        }
        sqlite3_stmt* many = Prepare(sql);
        sqlite3_stmt* one = Prepare("INSERT INTO " + table + " VALUES " + row);
        std::int64_t first = 0;
        for (; rows - first >= perInsert; first += perInsert) {
            for (int r = 0; r < perInsert; ++r) {
                bind(many, 1 + r * columns, first + r);
            }
            Step(many);
        }
        for (; first < rows; ++first) {
            bind(one, 1, first);
            Step(one);
        }
        sqlite3_finalize(many);
        sqlite3_finalize(one);
    }

private:
    [[noreturn]] void Fail(const std::string& what) {
        throw std::runtime_error(path_ + ": " + what + ": " + sqlite3_errmsg(db_));
    }
    sqlite3_stmt* Prepare(const std::string& sql) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
            Fail(sql);
        }
        return statement;
    }
    void Step(sqlite3_stmt* statement) {
        if (sqlite3_step(statement) != SQLITE_DONE) {
            Fail("insert");
        }
        sqlite3_reset(statement);
    }

    std::string path_;
    sqlite3* db_ = nullptr;
};

void WriteRun(const std::string& path, std::int64_t cells, std::int64_t steps) {
    const std::int64_t rows = cells * steps;
    Database db(path);
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
    for (const std::int64_t count : levelNodes) {
        nodes += count;
    }
    db.Insert("rtree_run_geom_parent", 2, nodes - 1, 64,
              [](sqlite3_stmt* s, int p, std::int64_t row) {
                  sqlite3_bind_int64(s, p, row + 2);
                  sqlite3_bind_int64(s, p + 1, row / kCellsPerNode + 1);
              });
    db.Insert("rtree_run_geom_rowid (nodeno)", 1, rows, 64,
              [](sqlite3_stmt* s, int p, std::int64_t row) {
                  sqlite3_bind_int64(s, p, row / kCellsPerNode + 2);
              });

    const std::vector<unsigned char> geometry(kGeometryBytes, 0x40);
    db.Insert("run", 4, rows, 256, [&](sqlite3_stmt* s, int p, std::int64_t row) {
        sqlite3_bind_null(s, p);
        sqlite3_bind_blob(s, p + 1, geometry.data(), kGeometryBytes, SQLITE_STATIC);
        sqlite3_bind_int64(s, p + 2, row / cells + 1);
        sqlite3_bind_double(s, p + 3, static_cast<double>(row % 2000) / 100.0 - 3.005);
    });

    // The root SQLite made with the table is written again with the others.
    db.Execute("DELETE FROM rtree_run_geom_node");
    const std::vector<unsigned char> node(kNodeBytes, 0x41);
    db.Insert("rtree_run_geom_node", 2, nodes, 1, [&](sqlite3_stmt* s, int p, std::int64_t row) {
        sqlite3_bind_int64(s, p, row + 1);
        sqlite3_bind_blob(s, p + 1, node.data(), kNodeBytes, SQLITE_STATIC);
    });
    db.Execute("COMMIT");
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
