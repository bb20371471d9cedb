#include "flatgeobuf/FlatGeobufFile.h"

#include <algorithm>
#include <array>

#include "controls/shapefile/BufferedOutputFile.h"
#include "controls/shapefile/FileReplacement.h"
#include "controls/shapefile/ShapeFileError.h"
#include "flatgeobuf/header_generated.h"
#include "spatial/PutLittle.h"

namespace tesselar {

namespace {

// "fgb", the format's major version 3, "fgb", its patch version 1.
constexpr std::array<std::uint8_t, 8> kMagic = {0x66, 0x67, 0x62, 0x03, 0x66, 0x67, 0x62, 0x01};
constexpr std::uint16_t kIndexNodeSize = 16;

void PutNode(unsigned char* out, const IndexNode& node) {
    PutLittle(out, node.box.minX);
    PutLittle(out + 8, node.box.minY);
    PutLittle(out + 16, node.box.maxX);
    PutLittle(out + 24, node.box.maxY);
    PutLittle(out + 32, node.offset);
}

}  // namespace

FlatGeobufFile::FlatGeobufFile(OutputFileSystem& files, std::string path,
                               FlatGeobufDefinition definition, std::uint64_t featureCount)
    : files_(files),
      path_(std::move(path)),
      definition_(std::move(definition)),
      featureCount_(featureCount),
      featureBytes_(featureCount) {
    if (featureCount_ > 0) {
        const auto levels = LevelBounds(featureCount_, kIndexNodeSize);
        parentsStart_ = levels[1].first;
        upper_.resize(levels.front().first);
    }
}

FlatGeobufFile::~FlatGeobufFile() = default;

void FlatGeobufFile::Fail(const std::string& what) const {
    throw ShapeFileError("cannot write '" + path_ + "': " + what);
}

void FlatGeobufFile::Measure(const Box& box, std::size_t encodedBytes) {
    if (measured_ == featureCount_) {
        Fail("more features than " + std::to_string(featureCount_));
    }
    extent_ = measured_ == 0 ? box : extent_;
    extent_.Include(box);
    IndexNode& parent = upper_[parentsStart_ + measured_ / kIndexNodeSize];
    if (measured_ % kIndexNodeSize == 0) {
        parent = IndexNode{box, upper_.size() + measured_};
    } else {
        parent.box.Include(box);
    }
    featureBytes_[measured_++] = static_cast<std::uint32_t>(encodedBytes);
}

void FlatGeobufFile::Begin(std::uint64_t featureCount, std::uint16_t indexNodeSize) {
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
    out_ = std::make_unique<BufferedOutputFile>(files_.CreateFile(path_));
    out_->Write(kMagic.data(), kMagic.size());
    out_->Write(builder.GetBufferPointer(), builder.GetSize());
}

void FlatGeobufFile::WriteIndex() {
    if (measured_ != featureCount_) {
        Fail(std::to_string(measured_) + " features measured of " + std::to_string(featureCount_));
    }
    Begin(featureCount_, featureCount_ == 0 ? std::uint16_t{0} : kIndexNodeSize);
    if (featureCount_ == 0) {
        return;
    }
    BuildInnerNodes(upper_, featureCount_, kIndexNodeSize, 1);
    for (const IndexNode& node : upper_) {
        PutNode(out_->Claim(kIndexNodeBytes), node);
    }
    upper_ = {};
}

void FlatGeobufFile::Leaf(const Box& box) {
    if (!out_ || leaves_ == featureCount_) {
        Fail("a leaf of the index out of turn");
    }
    PutNode(out_->Claim(kIndexNodeBytes), IndexNode{box, offset_});
    offset_ += featureBytes_[leaves_++];
}

void FlatGeobufFile::Add(const FlatGeobufFeature& feature) {
    if (leaves_ != featureCount_ || written_ == featureCount_) {
        Fail("feature " + std::to_string(written_ + 1) + " out of turn");
    }
    const std::size_t bytes = feature.EncodedBytes();
    if (bytes != featureBytes_[written_]) {
        Fail("feature " + std::to_string(written_ + 1) +
             " changed between its measuring and its writing");
    }
    feature.Encode(out_->Claim(bytes));
    ++written_;
}

void FlatGeobufFile::Finish() {
    if (!out_ || written_ != featureCount_) {
        Fail(std::to_string(written_) + " features written of " + std::to_string(featureCount_));
    }
    out_->Close();
    PlaceReplacingFile(files_, out_->File(), path_);
}

void FlatGeobufFile::Start(std::uint64_t featureCount, const Box& extent) {
    extent_ = extent;
    Begin(featureCount, 0);
    streamLeft_ = featureCount;
}

void FlatGeobufFile::Stream(const FlatGeobufFeature& feature) {
    if (streamLeft_ == 0) {
        Fail("more features than the header announces");
    }
    --streamLeft_;
    feature.Encode(out_->Claim(feature.EncodedBytes()));
}

void FlatGeobufFile::FinishStream() {
    if (streamLeft_ != 0) {
        Fail(std::to_string(streamLeft_) + " features fewer than the header announces");
    }
    out_->Close();
    PlaceReplacingFile(files_, out_->File(), path_);
}

}  // namespace tesselar
