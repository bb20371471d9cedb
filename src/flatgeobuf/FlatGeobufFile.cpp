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
// The index is written in pieces of this many nodes, so that it needs no second copy.
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
                               FlatGeobufDefinition definition)
    : files_(files), path_(std::move(path)), definition_(std::move(definition)) {}

FlatGeobufFile::~FlatGeobufFile() = default;

void FlatGeobufFile::Add(const Box& box, std::size_t encodedBytes) {
    if (boxes_.empty()) {
        extent_ = box;
    } else {
        extent_.Include(box);
    }
    boxes_.push_back(box);
    encodedBytes_.push_back(static_cast<std::uint32_t>(encodedBytes));
}

std::vector<std::uint8_t> FlatGeobufFile::Header(std::uint64_t featureCount,
                                                 std::uint16_t indexNodeSize) const {
    flatbuffers::FlatBufferBuilder builder;
    std::vector<flatbuffers::Offset<FlatGeobuf::Column>> columns;
    for (const FlatGeobufColumn& column : definition_.columns) {
        columns.push_back(
            FlatGeobuf::CreateColumnDirect(builder, column.name.c_str(),
                                           column.integer    ? FlatGeobuf::ColumnType::Int
                                           : column.dateTime ? FlatGeobuf::ColumnType::DateTime
                                                             : FlatGeobuf::ColumnType::Double));
    }
    flatbuffers::Offset<FlatGeobuf::Crs> crs;
    if (definition_.crs) {
        const CrsIdentity& identity = *definition_.crs;
        crs = FlatGeobuf::CreateCrsDirect(
            builder, identity.organization.empty() ? nullptr : identity.organization.c_str(),
            identity.code, identity.name.c_str(), nullptr, identity.wkt.c_str());
    }
    const std::vector<double> envelope = {extent_.minX, extent_.minY, extent_.maxX, extent_.maxY};
    const auto header = FlatGeobuf::CreateHeaderDirect(
        builder, definition_.name.c_str(), featureCount == 0 ? nullptr : &envelope,
        definition_.polygons ? FlatGeobuf::GeometryType::Polygon : FlatGeobuf::GeometryType::Point,
        false, false, false, false, &columns, featureCount, indexNodeSize, crs);
    builder.FinishSizePrefixed(header);
    return {builder.GetBufferPointer(), builder.GetBufferPointer() + builder.GetSize()};
}

void FlatGeobufFile::Finish(FlatGeobufSource& source) {
    BufferedOutputFile out(files_.CreateFile(path_));
    out.Write(kMagic.data(), kMagic.size());
    const std::vector<std::uint8_t> header =
        Header(boxes_.size(), boxes_.empty() ? std::uint16_t{0} : kIndexNodeSize);
    out.Write(header.data(), header.size());
    if (boxes_.empty()) {
        out.Close();
        PlaceReplacing(files_, out.File(), path_);
        return;
    }

    // The index comes before the features and holds their offsets: the features were measured
    // as they were added, so that the file is written once, from start to end.
    const std::vector<std::uint32_t> order = HilbertOrder(boxes_, extent_);
    const std::uint64_t featureCount = order.size();
    const auto levels = LevelBounds(featureCount, kIndexNodeSize);
    const std::uint64_t leavesStart = levels.front().first;
    std::vector<IndexNode> nodes(levels.front().second);
    std::uint64_t offset = 0;
    for (std::uint64_t r = 0; r < featureCount; ++r) {
        nodes[leavesStart + r] = IndexNode{boxes_[order[r]], offset};
        offset += encodedBytes_[order[r]];
    }
    boxes_ = {};
    encodedBytes_ = {};
    BuildInnerNodes(nodes, featureCount, kIndexNodeSize);
    std::vector<unsigned char> piece(kNodesPerPiece * kIndexNodeBytes);
    for (std::size_t first = 0; first < nodes.size(); first += kNodesPerPiece) {
        const std::size_t count = std::min(kNodesPerPiece, nodes.size() - first);
        for (std::size_t n = 0; n < count; ++n) {
            PutNode(piece.data() + n * kIndexNodeBytes, nodes[first + n]);
        }
        out.Write(piece.data(), count * kIndexNodeBytes);
    }

    FlatGeobufFeature feature;
    for (std::uint64_t r = 0; r < featureCount; ++r) {
        feature.Clear();
        source.Fill(order[r], feature);
        const std::uint64_t end = r + 1 < featureCount ? nodes[leavesStart + r + 1].offset : offset;
        const std::size_t bytes = feature.EncodedBytes();
        if (bytes != end - nodes[leavesStart + r].offset) {
            throw ShapeFileError("cannot write '" + path_ + "': feature " + std::to_string(r + 1) +
                                 " changed between its measuring and its writing");
        }
        feature.Encode(out.Claim(bytes));
    }
    out.Close();
    PlaceReplacing(files_, out.File(), path_);
}

void FlatGeobufFile::Start(std::uint64_t featureCount, const Box& extent) {
    extent_ = extent;
    stream_ = std::make_unique<BufferedOutputFile>(files_.CreateFile(path_));
    stream_->Write(kMagic.data(), kMagic.size());
    const std::vector<std::uint8_t> header = Header(featureCount, 0);
    stream_->Write(header.data(), header.size());
    streamLeft_ = featureCount;
}

void FlatGeobufFile::Stream(const FlatGeobufFeature& feature) {
    if (streamLeft_ == 0) {
        throw ShapeFileError("cannot write '" + path_ +
                             "': more features than the header announces");
    }
    --streamLeft_;
    feature.Encode(stream_->Claim(feature.EncodedBytes()));
}

void FlatGeobufFile::FinishStream() {
    if (streamLeft_ != 0) {
        throw ShapeFileError("cannot write '" + path_ + "': " + std::to_string(streamLeft_) +
                             " features fewer than the header announces");
    }
    stream_->Close();
    PlaceReplacing(files_, stream_->File(), path_);
}

}  // namespace tesselar
