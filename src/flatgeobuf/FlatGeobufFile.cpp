#include "flatgeobuf/FlatGeobufFile.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <exception>

#include "controls/shapefile/BufferedOutputFile.h"
#include "controls/shapefile/ByteOrder.h"
#include "controls/shapefile/FileReplacement.h"
#include "controls/shapefile/ShapeFileError.h"
#include "controls/shapefile/ShapeFileNames.h"
#include "flatgeobuf/header_generated.h"

namespace tesselar {

namespace {

// "fgb", the format's major version 3, "fgb", its patch version 1.
constexpr std::array<std::uint8_t, 8> kMagic = {0x66, 0x67, 0x62, 0x03, 0x66, 0x67, 0x62, 0x01};
constexpr std::uint16_t kIndexNodeSize = 16;
// The index is written in pieces of this many nodes, each encoded where it is buffered.
constexpr std::size_t kNodesPerPiece = 1 << 14;

// Puts the complete file in place of `path`, under the lock of its folder: an earlier file is
// set aside first and removed once the new one has its name, or put back when that fails. Then
// the temporary files of conversions to `path` killed while writing go.
void PlaceReplacing(OutputFileSystem& files, OutputFile& file, const std::string& path) {
    const std::string folder = FolderOf(path);
    const auto lock = files.LockFolder(folder);
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) {
        file.Place(path);
        RemoveAbandonedTemporaries(files, path);
        return;
    }
    const std::string aside = PathIn(folder, "." + FileNameOf(path) + ".earlier");
    files.Rename(path, aside);
    try {
        file.Place(path);
    } catch (...) {
        try {
            files.Rename(aside, path);
        } catch (const std::exception& error) {
            throw ShapeFileError("the earlier '" + path + "' is kept as '" + aside +
                                 "': " + error.what());
        }
        throw;
    }
    files.Remove(aside);
    RemoveAbandonedTemporaries(files, path);
}

void PutNode(unsigned char* out, const IndexNode& node) {
    PutDoubleLittle(out, node.box.minX);
    PutDoubleLittle(out + 8, node.box.minY);
    PutDoubleLittle(out + 16, node.box.maxX);
    PutDoubleLittle(out + 24, node.box.maxY);
    PutUInt32Little(out + 32, static_cast<std::uint32_t>(node.offset));
    PutUInt32Little(out + 36, static_cast<std::uint32_t>(node.offset >> 32));
}

}  // namespace

FlatGeobufFile::FlatGeobufFile(OutputFileSystem& files, std::string path,
                               FlatGeobufDefinition definition, std::uint64_t featureCount)
    : files_(files),
      path_(std::move(path)),
      definition_(std::move(definition)),
      featureCount_(featureCount) {
    if (featureCount_ > 0) {
        const auto levels = LevelBounds(featureCount_, kIndexNodeSize);
        leavesStart_ = levels.front().first;
        nodes_.resize(levels.front().second);
    }
}

FlatGeobufFile::~FlatGeobufFile() = default;

void FlatGeobufFile::Measure(const Box& box, std::size_t encodedBytes) {
    if (measured_ == featureCount_) {
        throw ShapeFileError("cannot write '" + path_ + "': more features than " +
                             std::to_string(featureCount_));
    }
    extent_ = measured_ == 0 ? box : extent_;
    extent_.Include(box);
    nodes_[leavesStart_ + measured_++] = IndexNode{box, featureBytes_};
    featureBytes_ += encodedBytes;
}

std::vector<std::uint8_t> FlatGeobufFile::Header() const {
    flatbuffers::FlatBufferBuilder builder;
    std::vector<flatbuffers::Offset<FlatGeobuf::Column>> columns;
    for (const FlatGeobufColumn& column : definition_.columns) {
        columns.push_back(FlatGeobuf::CreateColumnDirect(
            builder, column.name.c_str(),
            column.integer ? FlatGeobuf::ColumnType::Int : FlatGeobuf::ColumnType::Double));
    }
    flatbuffers::Offset<FlatGeobuf::Crs> crs;
    if (definition_.crs) {
        const CrsIdentity& identity = *definition_.crs;
        crs = FlatGeobuf::CreateCrsDirect(
            builder, identity.organization.empty() ? nullptr : identity.organization.c_str(),
            identity.code, identity.name.c_str(), nullptr, identity.wkt.c_str());
    }
    const std::vector<double> envelope = {extent_.minX, extent_.minY, extent_.maxX, extent_.maxY};
    const bool empty = featureCount_ == 0;
    const auto header = FlatGeobuf::CreateHeaderDirect(
        builder, definition_.name.c_str(), empty ? nullptr : &envelope,
        definition_.polygons ? FlatGeobuf::GeometryType::Polygon : FlatGeobuf::GeometryType::Point,
        false, false, false, false, &columns, featureCount_,
        empty ? std::uint16_t{0} : kIndexNodeSize, crs);
    builder.FinishSizePrefixed(header);
    return {builder.GetBufferPointer(), builder.GetBufferPointer() + builder.GetSize()};
}

void FlatGeobufFile::WriteIndex() {
    if (measured_ != featureCount_) {
        throw ShapeFileError("cannot write '" + path_ + "': " + std::to_string(measured_) +
                             " features measured of " + std::to_string(featureCount_));
    }
    out_ = std::make_unique<BufferedOutputFile>(files_.CreateFile(path_));
    out_->Write(kMagic.data(), kMagic.size());
    const std::vector<std::uint8_t> header = Header();
    out_->Write(header.data(), header.size());
    if (featureCount_ == 0) {
        return;
    }
    BuildInnerNodes(nodes_, featureCount_, kIndexNodeSize);
    for (std::size_t first = 0; first < nodes_.size(); first += kNodesPerPiece) {
        const std::size_t count = std::min(kNodesPerPiece, nodes_.size() - first);
        unsigned char* piece = out_->Claim(count * kIndexNodeBytes);
        for (std::size_t n = 0; n < count; ++n) {
            PutNode(piece + n * kIndexNodeBytes, nodes_[first + n]);
        }
    }
}

void FlatGeobufFile::Add(const FlatGeobufFeature& feature) {
    const std::uint64_t end =
        written_ + 1 < featureCount_ ? nodes_[leavesStart_ + written_ + 1].offset : featureBytes_;
    const std::size_t bytes = feature.EncodedBytes();
    if (written_ >= featureCount_ || bytes != end - nodes_[leavesStart_ + written_].offset) {
        throw ShapeFileError("cannot write '" + path_ + "': feature " +
                             std::to_string(written_ + 1) +
                             " changed between its measuring and its writing");
    }
    feature.Encode(out_->Claim(bytes));
    ++written_;
}

void FlatGeobufFile::Finish() {
    if (written_ != featureCount_) {
        throw ShapeFileError("cannot write '" + path_ + "': " + std::to_string(written_) +
                             " features written of " + std::to_string(featureCount_));
    }
    nodes_ = {};
    out_->Close();
    PlaceReplacing(files_, out_->File(), path_);
}

}  // namespace tesselar
