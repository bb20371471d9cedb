#include "controls/shapefile/ShapeFiles.h"

#include <array>
#include <ctime>
#include <future>
#include <string_view>
#include <vector>

#include "controls/shapefile/AttributeTable.h"
#include "controls/shapefile/BufferedOutputFile.h"
#include "controls/shapefile/ByteOrder.h"
#include "controls/shapefile/FileReplacement.h"
#include "controls/shapefile/FormatSizes.h"
#include "controls/shapefile/PendingShapefiles.h"
#include "controls/shapefile/ShapeFileError.h"
#include "controls/shapefile/ShapeFileNames.h"
#include "controls/shapefile/ShapeRecord.h"
#include "conversion/PrintableText.h"

namespace tesselar {

namespace {

constexpr std::int32_t kFileCode = 9994;
constexpr std::int32_t kVersion = 1000;
constexpr unsigned char kDbfEndOfFile = 0x1A;
constexpr std::string_view kCodePage = "UTF-8";
// The only mode: a new file, replacing an existing one.

using MainHeader = std::array<unsigned char, kMainHeaderBytes>;

MainHeader MakeMainHeader(std::int32_t shapeType, std::int64_t fileBytes, const BoundingBox& box) {
    MainHeader header{};
    PutInt32Big(&header[0], kFileCode);
    PutInt32Big(&header[24], static_cast<std::int32_t>(fileBytes / 2));
    PutInt32Little(&header[28], kVersion);
    PutInt32Little(&header[32], shapeType);
    PutDoubleLittle(&header[36], box.xMin);
    PutDoubleLittle(&header[44], box.yMin);
    PutDoubleLittle(&header[52], box.xMax);
    PutDoubleLittle(&header[60], box.yMax);
    // The Z and M ranges (bytes 68 to 99) stay 0: the shapes are two-dimensional.
    return header;
}

std::chrono::year_month_day LocalDate(std::chrono::system_clock::time_point time) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    std::tm local{};
    localtime_r(&seconds, &local);
    return std::chrono::year{local.tm_year + 1900} /
           std::chrono::month{static_cast<unsigned>(local.tm_mon + 1)} /
           std::chrono::day{static_cast<unsigned>(local.tm_mday)};
}

[[noreturn]] void RefuseSize(const std::string& file, std::int64_t shapeNumber) {
    throw ShapeFileError("cannot add shape " + std::to_string(shapeNumber) + ": '" +
                         PrintableText(file) + "' would be larger than " +
                         std::to_string(kMaxShapeFileBytes) +
                         " bytes, the most the shapefile format allows");
}

}  // namespace

class ShapeFiles::Impl {
public:
    Impl(OutputFileSystem& files, std::chrono::system_clock::time_point today)
        : files_(files), today_(today) {}
    ~Impl() = default;
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    void OpenShapeFile(const std::string& path, std::int32_t mode, std::int32_t shapeType);
    bool CopyShapesFrom(const OutputFile& shp, const OutputFile& shx, std::int64_t shapeCount);
    ShapeFieldList& FieldList();
    void CommitFields();
    ShapeVertexList& VertexList();
    void AppendShape();
    void Release();
    void HoldBack(PendingShapefiles& pending);
    const std::string& ShpPath() const { return shpPath_; }
    void SetProjection(std::string wkt);
    std::vector<ShortenedValues> Shortened() const;
    const std::vector<DbfColumnName>& ColumnNames() const;

private:
    enum class Stage { kClosed, kDefiningFields, kWritingShapes, kReleased, kBroken };

    // A file being written for its destination.
    struct StagedFile {
        std::string destination;
        std::unique_ptr<BufferedOutputFile> out;
    };

    void Require(Stage stage, const char* operation) const;
    void StageFile(StagedFile& file, std::string destination);
    // Runs a step that writes: when it fails the files cannot be completed, and the new files
    // go at once.
    template <typename Step>
    void Writing(Step step);
    void DiscardFiles() noexcept;
    // AppendShape for a shapefile whose shapes were copied: the record's values alone.
    void AppendValues(std::int64_t number, std::string_view dbfRecord);
    void Complete();
    void RequireAllAppended() const;
    void PutInPlace();

    OutputFileSystem& files_;
    std::chrono::system_clock::time_point today_;
    Stage stage_ = Stage::kClosed;
    std::string shpPath_;
    std::int32_t shapeType_ = 0;
    StagedFile shp_;
    StagedFile shx_;
    StagedFile dbf_;
    StagedFile cpg_;
    std::string projection_;
    std::unique_ptr<OutputFile> prj_;
    std::unique_ptr<AttributeTable> table_;
    std::unique_ptr<VertexCollector> vertices_;
    ShapeRecord record_;
    BoundingBox box_;
    std::int64_t recordCount_ = 0;
    std::int64_t shpBytes_ = 0;
    std::int64_t shxBytes_ = 0;
    std::int64_t dbfBytes_ = 0;
    // The count of shapes of the copied .shp and .shx; -1 when the shapes are written here.
    std::int64_t copiedShapes_ = -1;
    // The copy of the .shp under way; ended before the files.
    std::future<void> copyingShp_;
};

void ShapeFiles::Impl::Require(Stage stage, const char* operation) const {
    if (stage_ == stage) {
        return;
    }
    std::string why;
    switch (stage_) {
        case Stage::kClosed:
            why = "no shape file is open";
            break;
        case Stage::kDefiningFields:
            why = "the columns of '" + PrintableText(shpPath_) + "' are not committed yet";
            break;
        case Stage::kWritingShapes:
            why = "the columns of '" + PrintableText(shpPath_) + "' are already committed";
            break;
        case Stage::kReleased:
            why = "'" + PrintableText(shpPath_) + "' is already complete";
            break;
        case Stage::kBroken:
            why = "'" + PrintableText(shpPath_) + "' cannot be written after an earlier error";
            break;
    }
    throw ShapeFileError(std::string(operation) + ": " + why);
}

void ShapeFiles::Impl::StageFile(StagedFile& file, std::string destination) {
    file.destination = std::move(destination);
    file.out = std::make_unique<BufferedOutputFile>(files_.CreateFile(file.destination));
}

template <typename Step>
void ShapeFiles::Impl::Writing(Step step) {
    stage_ = Stage::kBroken;
    try {
        step();
    } catch (...) {
        DiscardFiles();
        throw;
    }
}

void ShapeFiles::Impl::DiscardFiles() noexcept {
    if (copyingShp_.valid()) {
        copyingShp_.wait();  // the copy writes into the .shp
    }
    for (StagedFile* file : {&shp_, &shx_, &dbf_, &cpg_}) {
        file->out.reset();
    }
    prj_.reset();
}

void ShapeFiles::Impl::OpenShapeFile(const std::string& path, std::int32_t mode,
                                     std::int32_t shapeType) {
    if (stage_ != Stage::kClosed) {
        throw ShapeFileError("OpenShapeFile: a shape file component writes one shape file, '" +
                             PrintableText(shpPath_) + "'");
    }
    if (mode != kModeCreate) {
        throw ShapeFileError("cannot open '" + PrintableText(path) + "' in mode " +
                             std::to_string(mode) + ": only mode " + std::to_string(kModeCreate) +
                             ", a new shape file, is supported");
    }
    if (shapeType != kShapeTypePoint && shapeType != kShapeTypePolygon) {
        throw ShapeFileError("cannot open '" + PrintableText(path) + "' for shape type " +
                             std::to_string(shapeType) + ": only points (1) and polygons (" +
                             std::to_string(kShapeTypePolygon) + ") are supported");
    }
    if (!IsShpPath(path)) {
        throw ShapeFileError("cannot open '" + PrintableText(path) +
                             "': a shape file path is a file name ending in \".shp\"");
    }
    shpPath_ = WrittenShpPath(path);
    shapeType_ = shapeType;
    Writing([&] {
        StageFile(shp_, shpPath_);
        StageFile(shx_, CompanionPath(shpPath_, "shx"));
        StageFile(dbf_, CompanionPath(shpPath_, "dbf"));
        StageFile(cpg_, CompanionPath(shpPath_, "cpg"));
        // Placeholders for the headers that Release completes.
        const MainHeader header = MakeMainHeader(shapeType_, kMainHeaderBytes, BoundingBox{});
        shp_.out->Write(header.data(), header.size());
        shx_.out->Write(header.data(), header.size());
        cpg_.out->Write(kCodePage.data(), kCodePage.size());
    });
    table_ = std::make_unique<AttributeTable>(dbf_.destination);
    vertices_ = std::make_unique<VertexCollector>(shp_.destination);
    shpBytes_ = kMainHeaderBytes;
    shxBytes_ = kMainHeaderBytes;
    stage_ = Stage::kDefiningFields;
}

bool ShapeFiles::Impl::CopyShapesFrom(const OutputFile& shp, const OutputFile& shx,
                                      std::int64_t shapeCount) {
    Require(Stage::kDefiningFields, "CopyShapesFrom");
    std::unique_ptr<OutputFile> shxCopy = files_.CreateFile(shx_.destination);
    if (!shxCopy->CopyFrom(shx)) {
        return false;
    }
    // The .shx copied, the file system copies: the larger .shp is copied on a thread of its own
    // while the records' values are written, and waited for before the files are completed.
    std::unique_ptr<OutputFile> shpCopy = files_.CreateFile(shp_.destination);
    OutputFile& shpFile = *shpCopy;
    const std::string& destination = shp_.destination;
    copyingShp_ = std::async(std::launch::async, [&shpFile, &shp, &destination] {
        if (!shpFile.CopyFrom(shp)) {
            throw ShapeFileError("cannot write '" + PrintableText(destination) +
                                 "': its shapes could not be copied");
        }
    });
    // In place of the files holding only the placeholder headers.
    shp_.out = std::make_unique<BufferedOutputFile>(std::move(shpCopy));
    shx_.out = std::make_unique<BufferedOutputFile>(std::move(shxCopy));
    copiedShapes_ = shapeCount;
    return true;
}

ShapeFieldList& ShapeFiles::Impl::FieldList() {
    if (stage_ != Stage::kWritingShapes) {
        Require(Stage::kDefiningFields, "FieldList");
    }
    return *table_;
}

void ShapeFiles::Impl::CommitFields() {
    Require(Stage::kDefiningFields, "CommitFields");
    table_->Commit();
    const std::vector<unsigned char> header = table_->Header(LocalDate(today_), 0);
    Writing([&] { dbf_.out->Write(header.data(), header.size()); });
    dbfBytes_ = static_cast<std::int64_t>(header.size());
    stage_ = Stage::kWritingShapes;
}

const std::vector<DbfColumnName>& ShapeFiles::Impl::ColumnNames() const {
    if (stage_ == Stage::kClosed || stage_ == Stage::kDefiningFields) {
        Require(Stage::kWritingShapes, "ColumnNames");
    }
    return table_->ColumnNames();
}

std::vector<ShortenedValues> ShapeFiles::Impl::Shortened() const {
    if (table_ == nullptr) {
        return {};
    }
    return table_->Shortened();
}

ShapeVertexList& ShapeFiles::Impl::VertexList() {
    Require(Stage::kWritingShapes, "VertexList");
    return *vertices_;
}

void ShapeFiles::Impl::AppendShape() {
    Require(Stage::kWritingShapes, "AppendShape");
    const std::int64_t number = recordCount_ + 1;
    const std::string_view dbfRecord = table_->Record();
    if (copiedShapes_ >= 0) {
        AppendValues(number, dbfRecord);
        return;
    }
    try {
        record_.Plan(shapeType_, vertices_->Vertices(), number, shp_.destination);
        // Checked before anything of the record is written, so no file passes its limit.
        const auto recordBytes = static_cast<std::int64_t>(record_.Bytes());
        if (shpBytes_ + recordBytes > kMaxShapeFileBytes) {
            RefuseSize(shp_.destination, number);
        }
        if (shxBytes_ + static_cast<std::int64_t>(kIndexRecordBytes) > kMaxShapeFileBytes) {
            RefuseSize(shx_.destination, number);
        }
        // The record and the end-of-file byte
        if (dbfBytes_ + static_cast<std::int64_t>(dbfRecord.size()) + 1 > kMaxShapeFileBytes) {
            RefuseSize(dbf_.destination, number);
        }
    } catch (...) {
        vertices_->Clear();
        throw;
    }

    Writing([&] {
        const auto recordNumber = static_cast<std::int32_t>(number);
        record_.Write(recordNumber, vertices_->Vertices(), shp_.out->Claim(record_.Bytes()));
        unsigned char* index = shx_.out->Claim(kIndexRecordBytes);
        PutInt32Big(index, static_cast<std::int32_t>(shpBytes_ / 2));
        PutInt32Big(index + 4, static_cast<std::int32_t>((record_.Bytes() - 8) / 2));
        dbf_.out->Write(dbfRecord.data(), dbfRecord.size());
    });
    stage_ = Stage::kWritingShapes;

    if (recordCount_ == 0) {
        box_ = record_.Box();
    } else {
        box_.Include(record_.Box());
    }
    recordCount_ = number;
    shpBytes_ += static_cast<std::int64_t>(record_.Bytes());
    shxBytes_ += static_cast<std::int64_t>(kIndexRecordBytes);
    dbfBytes_ += static_cast<std::int64_t>(dbfRecord.size());
    table_->CountShortened();
    vertices_->Clear();
}

void ShapeFiles::Impl::AppendValues(std::int64_t number, std::string_view dbfRecord) {
    if (dbfBytes_ + static_cast<std::int64_t>(dbfRecord.size()) + 1 > kMaxShapeFileBytes) {
        RefuseSize(dbf_.destination, number);
    }
    Writing([&] { dbf_.out->Write(dbfRecord.data(), dbfRecord.size()); });
    stage_ = Stage::kWritingShapes;
    recordCount_ = number;
    dbfBytes_ += static_cast<std::int64_t>(dbfRecord.size());
    table_->CountShortened();
    vertices_->Clear();
}

void ShapeFiles::Impl::RequireAllAppended() const {
    if (!vertices_->Vertices().empty()) {
        throw ShapeFileError("Release: " + std::to_string(vertices_->Vertices().size()) +
                             " vertices were added after the last shape of '" +
                             PrintableText(shpPath_) + "' and never appended");
    }
}

void ShapeFiles::Impl::HoldBack(PendingShapefiles& pending) {
    Require(Stage::kWritingShapes, "HoldBack");
    RequireAllAppended();
    Writing([&] {
        Complete();
        std::vector<std::pair<std::unique_ptr<OutputFile>, std::string>> files;
        for (StagedFile* file : {&cpg_, &dbf_, &shx_}) {
            files.emplace_back(file->out->TakeFile(), file->destination);
        }
        if (prj_) {
            files.emplace_back(std::move(prj_), CompanionPath(shpPath_, "prj"));
        }
        files.emplace_back(shp_.out->TakeFile(), shp_.destination);
        pending.Add(shpPath_, std::move(files));
    });
    DiscardFiles();  // the buffers' memory
    stage_ = Stage::kReleased;
}

void ShapeFiles::Impl::Release() {
    Require(Stage::kWritingShapes, "Release");
    RequireAllAppended();
    Writing([&] {
        Complete();
        PutInPlace();
    });
    stage_ = Stage::kReleased;
}

void ShapeFiles::Impl::SetProjection(std::string wkt) {
    if (stage_ == Stage::kReleased || stage_ == Stage::kBroken) {
        Require(Stage::kWritingShapes, "SetProjection");
    }
    projection_ = std::move(wkt);
}

void ShapeFiles::Impl::Complete() {
    dbf_.out->Write(&kDbfEndOfFile, 1);
    if (copiedShapes_ < 0) {
        const MainHeader shpHeader = MakeMainHeader(shapeType_, shpBytes_, box_);
        shp_.out->WriteAt(0, shpHeader.data(), shpHeader.size());
        const MainHeader shxHeader = MakeMainHeader(shapeType_, shxBytes_, box_);
        shx_.out->WriteAt(0, shxHeader.data(), shxHeader.size());
    } else {
        copyingShp_.get();
        if (recordCount_ != copiedShapes_) {
            throw ShapeFileError("cannot complete '" + PrintableText(shpPath_) + "': " +
                                 std::to_string(recordCount_) + " records were appended to the " +
                                 std::to_string(copiedShapes_) + " shapes copied");
        }
    }
    const std::vector<unsigned char> dbfHeader =
        table_->Header(LocalDate(today_), static_cast<std::uint32_t>(recordCount_));
    dbf_.out->WriteAt(0, dbfHeader.data(), dbfHeader.size());
    for (StagedFile* file : {&cpg_, &dbf_, &shx_, &shp_}) {
        file->out->Close();
    }
    if (!projection_.empty()) {
        prj_ = files_.CreateFile(CompanionPath(shpPath_, "prj"));
        prj_->Write(projection_.data(), projection_.size());
        prj_->Close();
    }
}

void ShapeFiles::Impl::PutInPlace() {
    std::vector<NewFile> newFiles;
    for (StagedFile* file : {&cpg_, &dbf_, &shx_}) {
        newFiles.push_back({&file->out->File(), file->destination});
    }
    if (prj_) {
        newFiles.push_back({prj_.get(), CompanionPath(shpPath_, "prj")});
    }
    // The .shp last: a GIS looks for it first, so it appears only with its companions.
    newFiles.push_back({&shp_.out->File(), shp_.destination});
    ReplaceShapefile(files_, shpPath_, newFiles);
}

ShapeFiles::ShapeFiles(OutputFileSystem& files, std::chrono::system_clock::time_point today)
    : impl_(std::make_unique<Impl>(files, today)) {}

ShapeFiles::~ShapeFiles() = default;

void ShapeFiles::OpenShapeFile(const std::string& path, std::int32_t mode, std::int32_t shapeType) {
    impl_->OpenShapeFile(path, mode, shapeType);
}

bool ShapeFiles::CopyShapesFrom(const OutputFile& shp, const OutputFile& shx,
                                std::int64_t shapeCount) {
    return impl_->CopyShapesFrom(shp, shx, shapeCount);
}

ShapeFieldList& ShapeFiles::FieldList() {
    return impl_->FieldList();
}

void ShapeFiles::CommitFields() {
    impl_->CommitFields();
}

const std::vector<DbfColumnName>& ShapeFiles::ColumnNames() const {
    return impl_->ColumnNames();
}

ShapeVertexList& ShapeFiles::VertexList() {
    return impl_->VertexList();
}

void ShapeFiles::AppendShape() {
    impl_->AppendShape();
}

void ShapeFiles::Release() {
    impl_->Release();
}

void ShapeFiles::HoldBack(PendingShapefiles& pending) {
    impl_->HoldBack(pending);
}

const std::string& ShapeFiles::ShpPath() const {
    return impl_->ShpPath();
}

void ShapeFiles::SetProjection(std::string wkt) {
    impl_->SetProjection(std::move(wkt));
}

std::vector<ShortenedValues> ShapeFiles::Shortened() const {
    return impl_->Shortened();
}

}  // namespace tesselar
