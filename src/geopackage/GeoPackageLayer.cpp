#include "geopackage/GeoPackageLayer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <fstream>

#include "controls/shapefile/FileReplacement.h"
#include "controls/shapefile/ShapeFileNames.h"
#include "conversion/AsciiCase.h"
#include "conversion/SystemErrorText.h"
#include "geopackage/FeatureRows.h"
#include "geopackage/GeoPackageError.h"
#include "geopackage/GeoPackageSchema.h"
#include "geopackage/RtreeBulkLoad.h"
#include "geopackage/Sqlite.h"

namespace tesselar {

namespace {

// The first bytes of every SQLite database file, and where its header keeps the application id.
constexpr std::string_view kSqliteMagic{"SQLite format 3\0", 16};
constexpr std::size_t kApplicationIdOffset = 68;
constexpr std::size_t kSqliteHeaderBytes = 100;
// Page cache for writing. A new file's tables are only appended to, so SQLite needs little more
// than the last pages of each: a larger cache only holds pages it writes at the end anyway, in
// memory taken for them (2 MiB against 32 MiB: a tenth of a shapefile conversion's time less).
// A transaction in an existing GeoPackage keeps its changes in memory, not spilling them
// through the journal.
constexpr int kNewFileCacheKiB = 2 * 1024;
constexpr int kExistingFileCacheKiB = 32 * 1024;
constexpr int kBusyMilliseconds = 10'000;

bool Exists(const std::string& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0;
}

// Whether the file at `path` starts as a GeoPackage: an SQLite database with a GeoPackage
// application id ("GPKG", or "GP10" and "GP11" of the first versions).
bool HasGeoPackageHeader(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::array<char, kSqliteHeaderBytes> header{};
    if (!file.read(header.data(), header.size())) {
        return false;
    }
    if (std::string_view(header.data(), kSqliteMagic.size()) != kSqliteMagic) {
        return false;
    }
    const std::string_view id(header.data() + kApplicationIdOffset, 4);
    return id == "GPKG" || id == "GP10" || id == "GP11";
}

// A second descriptor on a new GeoPackage's file, through which its data is sent to the disk
// while SQLite goes on writing.
class WriteBehind {
public:
    WriteBehind(const std::string& path, const std::string& destination)
        : descriptor_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)), destination_(destination) {
        if (descriptor_ < 0) {
            throw GeoPackageError("cannot write '" + destination_ + "': " + SystemErrorText(errno));
        }
    }
    ~WriteBehind() { ::close(descriptor_); }
    WriteBehind(const WriteBehind&) = delete;
    WriteBehind& operator=(const WriteBehind&) = delete;

    // Asks the kernel to start writing what is written so far; only a hint.
    void Start() const { ::sync_file_range(descriptor_, 0, 0, SYNC_FILE_RANGE_WRITE); }

private:
    int descriptor_;
    std::string destination_;
};

// Rows written between two starts of the write-behind.
constexpr std::int64_t kRowsPerWriteBehind = 1 << 15;

}  // namespace

void CheckGeoPackageLayer(const GeoPackageLayerDefinition& definition) {
    if (definition.table.empty()) {
        throw GeoPackageError("a GeoPackage layer needs a name");
    }
    const std::string lower = AsciiLowercase(definition.table);
    if (lower.starts_with("gpkg_") || lower.starts_with("sqlite_") || lower.starts_with("rtree_")) {
        throw GeoPackageError("layer name '" + definition.table +
                              "' is reserved: names beginning with gpkg_, sqlite_ or rtree_ "
                              "belong to the GeoPackage's own tables");
    }
    std::vector<std::string> names = {kFidColumn, kGeometryColumn};
    names.insert(names.end(), definition.integerColumns.begin(), definition.integerColumns.end());
    names.insert(names.end(), definition.dateTimeColumns.begin(), definition.dateTimeColumns.end());
    names.insert(names.end(), definition.realColumns.begin(), definition.realColumns.end());
    for (std::size_t a = 0; a < names.size(); ++a) {
        for (std::size_t b = a + 1; b < names.size(); ++b) {
            if (EqualIgnoringAsciiCase(names[a], names[b])) {
                throw GeoPackageError(
                    "columns '" + names[a] + "' and '" + names[b] + "' of GeoPackage layer '" +
                    definition.table +
                    "' have the same name (SQLite ignores the case of letters): rename one");
            }
        }
    }
}

class GeoPackageLayer::Impl {
public:
    Impl(OutputFileSystem& files, const std::string& path,
         const GeoPackageLayerDefinition& definition, std::span<const std::uint32_t> spatialOrder);
    ~Impl();
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    void SetInteger(int column, std::int64_t value) { rows_->SetInteger(column, value); }
    void SetDateTime(int column, const std::string& text) { rows_->SetText(column, text); }
    void SetReal(int column, double value) { rows_->SetReal(column, value); }
    void SetNull(int column) { rows_->SetNull(column); }
    void AddPolygon(const double* x, const double* y, int corners) {
        Add(geometry_.Polygon(x, y, corners, srsId_, rows_->Geometry()));
    }
    void AddPoint(double x, double y) { Add(geometry_.Point(x, y, srsId_, rows_->Geometry())); }
    void Finish();
    bool Existed() const { return existed_; }

private:
    void Add(std::size_t geometryBytes);
    void OpenNew();
    void OpenExisting();
    void DropEarlierLayer();
    void CreateTable();
    void FillIndex();
    void StartWriteBehind() const {
        if (writeBehind_) {
            writeBehind_->Start();
        }
    }

    OutputFileSystem& files_;
    std::string path_;
    GeoPackageLayerDefinition definition_;
    bool existed_ = false;
    // A new GeoPackage until it is in place: locked while it is written, so that a later
    // conversion to this name removes it only once its writer has been killed.
    NamedTemporary temporary_;
    std::unique_ptr<WriteBehind> writeBehind_;
    std::unique_ptr<SqliteDatabase> db_;
    bool inTransaction_ = false;
    std::int32_t srsId_ = kUndefinedCartesianSrsId;
    std::unique_ptr<FeatureRows> rows_;
    std::int64_t fid_ = 0;
    GeoPackageGeometry geometry_;
    RtreeBulkLoad rtree_;
    Box extent_;
};

GeoPackageLayer::Impl::Impl(OutputFileSystem& files, const std::string& path,
                            const GeoPackageLayerDefinition& definition,
                            std::span<const std::uint32_t> spatialOrder)
    : files_(files),
      path_(path),
      definition_(definition),
      rtree_(spatialOrder, definition.shapeCopies) {
    CheckGeoPackageLayer(definition_);
    // On a failure the database closes before its new file is removed.
    if (Exists(path_)) {
        OpenExisting();
    } else {
        OpenNew();
    }
    db_->Execute("PRAGMA cache_size = -" +
                 std::to_string(existed_ ? kExistingFileCacheKiB : kNewFileCacheKiB));
    srsId_ =
        definition_.crs ? SpatialReferenceId(*db_, *definition_.crs) : kUndefinedCartesianSrsId;
    CreateTable();
}

GeoPackageLayer::Impl::~Impl() {
    rows_.reset();
    if (db_ && inTransaction_) {
        try {
            db_->Execute("ROLLBACK");
        } catch (const GeoPackageError&) {
            // Closing the database rolls back what is left.
        }
    }
    db_.reset();
}

void GeoPackageLayer::Impl::OpenNew() {
    temporary_ = CreateNamedTemporary(path_);
    writeBehind_ = std::make_unique<WriteBehind>(temporary_.path, path_);
    db_ = std::make_unique<SqliteDatabase>(temporary_.path, false, path_);
    // The file is nobody's until it is moved into place: a failure simply removes it.
    db_->Execute("PRAGMA page_size = 65536; PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF");
    CreateGeoPackageTables(*db_);
    db_->Execute("BEGIN");
    inTransaction_ = true;
}

void GeoPackageLayer::Impl::OpenExisting() {
    existed_ = true;
    if (!HasGeoPackageHeader(path_)) {
        throw GeoPackageError("'" + path_ +
                              "' exists and is not a GeoPackage (an SQLite database with the "
                              "GeoPackage application id): it is left as it is");
    }
    db_ = std::make_unique<SqliteDatabase>(path_, false, path_);
    if (!HasGeoPackageTables(*db_)) {
        throw GeoPackageError("'" + path_ +
                              "' is not a GeoPackage: it lacks gpkg_spatial_ref_sys or "
                              "gpkg_contents; it is left as it is");
    }
    // Another program writing the file holds it for a moment; one that holds it longer is
    // reported as SQLite says.
    sqlite3_busy_timeout(db_->Handle(), kBusyMilliseconds);
    db_->Execute("BEGIN IMMEDIATE");
    inTransaction_ = true;
    EnsureExtensionsTable(*db_);
    DropEarlierLayer();
}

void GeoPackageLayer::Impl::DropEarlierLayer() {
    const std::optional<EarlierLayer> earlier = FindLayer(*db_, definition_.table);
    if (!earlier) {
        return;
    }
    if (earlier->dataType != "features") {
        throw GeoPackageError("layer '" + earlier->table + "' of '" + path_ + "' holds " +
                              earlier->dataType +
                              ", not features: it is not replaced; choose another with --layer");
    }
    DropFeatureTable(*db_, *earlier);
}

void GeoPackageLayer::Impl::CreateTable() {
    std::string columns = QuotedIdentifier(kFidColumn) + " INTEGER PRIMARY KEY NOT NULL, " +
                          QuotedIdentifier(kGeometryColumn) +
                          (definition_.polygons ? " POLYGON" : " POINT");
    for (const std::string& name : definition_.integerColumns) {
        columns += ", " + QuotedIdentifier(name) + " INTEGER";
    }
    for (const std::string& name : definition_.dateTimeColumns) {
        columns += ", " + QuotedIdentifier(name) + " DATETIME";
    }
    for (const std::string& name : definition_.realColumns) {
        columns += ", " + QuotedIdentifier(name) + " REAL";
    }
    db_->Execute("CREATE TABLE " + QuotedIdentifier(definition_.table) + " (" + columns + ")");
    // The spatial index, whose nodes follow the rows, with what rests on their count alone.
    const std::string rtree = RtreeName(definition_.table);
    db_->Execute("CREATE VIRTUAL TABLE " + QuotedIdentifier(rtree) +
                 " USING rtree(id, minx, maxx, miny, maxy)");
    rtree_.WriteLinks(*db_, rtree);
    rows_ = std::make_unique<FeatureRows>(*db_, definition_.table,
                                          static_cast<int>(definition_.integerColumns.size()),
                                          static_cast<int>(definition_.dateTimeColumns.size()),
                                          static_cast<int>(definition_.realColumns.size()));
}

void GeoPackageLayer::Impl::Add(std::size_t geometryBytes) {
    rows_->Add(geometryBytes);
    ++fid_;
    if (fid_ % kRowsPerWriteBehind == 0) {
        StartWriteBehind();
    }
    const Box& box = geometry_.Extent();
    extent_ = fid_ == 1 ? box : extent_;
    extent_.Include(box);
    rtree_.Add(box);
}

void GeoPackageLayer::Impl::FillIndex() {
    rtree_.WriteNodes(*db_, RtreeName(definition_.table));
}

void GeoPackageLayer::Impl::Finish() {
    rows_->Flush();
    rows_.reset();
    // The disk takes the rows, then the index, while SQLite goes on.
    StartWriteBehind();
    FillIndex();
    StartWriteBehind();
    RegisterLayer(*db_, definition_, srsId_, fid_ > 0 ? std::optional<Box>(extent_) : std::nullopt);
    db_->Execute("COMMIT");
    inTransaction_ = false;
    db_->Close();
    db_.reset();
    if (temporary_.file) {
        // On the disk before it has its name, so that a crash never leaves an empty file.
        temporary_.file->Close();
        const auto lock = files_.LockFolder(FolderOf(path_));
        if (Exists(path_)) {
            throw GeoPackageError(
                "'" + path_ + "' appeared while the GeoPackage was written: it is left as it is");
        }
        temporary_.file->Place(path_);
    }
    RemoveAbandonedTemporaries(files_, path_);
}

GeoPackageLayer::GeoPackageLayer(OutputFileSystem& files, const std::string& path,
                                 const GeoPackageLayerDefinition& definition,
                                 std::span<const std::uint32_t> spatialOrder)
    : impl_(std::make_unique<Impl>(files, path, definition, spatialOrder)) {}

GeoPackageLayer::~GeoPackageLayer() = default;

void GeoPackageLayer::SetInteger(int column, std::int64_t value) {
    impl_->SetInteger(column, value);
}

void GeoPackageLayer::SetDateTime(int column, const std::string& isoUtcText) {
    impl_->SetDateTime(column, isoUtcText);
}

void GeoPackageLayer::SetReal(int column, double value) {
    impl_->SetReal(column, value);
}

void GeoPackageLayer::SetNull(int realColumn) {
    impl_->SetNull(realColumn);
}

void GeoPackageLayer::AddPolygon(const double* x, const double* y, int corners) {
    impl_->AddPolygon(x, y, corners);
}

void GeoPackageLayer::AddPoint(double x, double y) {
    impl_->AddPoint(x, y);
}

void GeoPackageLayer::Finish() {
    impl_->Finish();
}

bool GeoPackageLayer::Existed() const {
    return impl_->Existed();
}

}  // namespace tesselar
