#include "flatgeobuf/FlatGeobufFeature.h"

#include <algorithm>
#include <cstring>

#include "controls/shapefile/ByteOrder.h"
#include "spatial/PutLittle.h"

namespace tesselar {

namespace {

// The Feature table as written, in bytes from the start of the table data (after the size
// prefix), where FlatBuffers measures its offsets and alignments from:
//   0  the root: the offset of the Feature table
//   4  the Feature's vtable: its size, the table's size, geometry at 4, properties at 8
//  12  the Feature table: the offset back to its vtable, then the two fields' offsets
//  24  the Geometry's vtable: its size, the table's size, no ends, xy at 4
//  32  the Geometry table: the offset back to its vtable, then the xy vector's offset
//  40  padding, so that the coordinates lie on 8 bytes
//  44  the xy vector: its count, then the coordinates from 48
//      the properties vector: its count, then its bytes; padding to 4 bytes.
constexpr std::size_t kPrefixBytes = 4;
constexpr std::size_t kFeatureVtable = 4;
constexpr std::size_t kFeatureTable = 12;
constexpr std::size_t kGeometryVtable = 24;
constexpr std::size_t kGeometryTable = 32;
constexpr std::size_t kXyVector = 44;
constexpr std::size_t kXyData = 48;

std::size_t PropertiesVector(std::size_t xyCount) {
    return kXyData + 8 * xyCount;
}

std::size_t TableBytes(std::size_t xyCount, std::size_t propertyBytes) {
    return (PropertiesVector(xyCount) + 4 + propertyBytes + 3) / 4 * 4;
}

// The coordinates a shape of `corners` corners is written with: a ring repeats its first.
std::size_t XyCount(int corners) {
    const auto count =
        static_cast<std::size_t>(std::clamp(corners, 1, FlatGeobufFeature::kMaxCorners));
    return 2 * (count == 1 ? 1 : count + 1);
}

constexpr std::size_t kIntegerPropertyBytes = 2 + sizeof(std::int32_t);
constexpr std::size_t kRealPropertyBytes = 2 + sizeof(double);

void PutUInt16(unsigned char* out, std::size_t value) {
    PutUInt16Little(out, static_cast<std::uint16_t>(value));
}

void PutUInt32(unsigned char* out, std::size_t value) {
    PutUInt32Little(out, static_cast<std::uint32_t>(value));
}

}  // namespace

void FlatGeobufFeature::Clear() {
    xyCount_ = 0;
    propertyBytes_ = 0;
}

void FlatGeobufFeature::Shape(const double* x, const double* y, int corners) {
    const auto count = static_cast<std::size_t>(std::clamp(corners, 1, kMaxCorners));
    double twiceArea = x[count - 1] * y[0] - x[0] * y[count - 1];
    for (std::size_t c = 0; c + 1 < count; ++c) {
        twiceArea += x[c] * y[c + 1] - x[c + 1] * y[c];
    }
    // A ring's first corner stays first, and comes again at its end; a clockwise ring is walked
    // the other way round.
    const bool reverse = twiceArea < 0.0;
    for (std::size_t p = 0; p < count; ++p) {
        const std::size_t corner = reverse && p > 0 ? count - p : p;
        xy_[2 * p] = x[corner];
        xy_[2 * p + 1] = y[corner];
    }
    std::size_t points = count;
    if (count > 1) {
        xy_[2 * count] = x[0];
        xy_[2 * count + 1] = y[0];
        points = count + 1;
    }
    xyCount_ = 2 * points;
}

template <typename Value>
void FlatGeobufFeature::Put(int column, Value value) {
    constexpr std::size_t kBytes = 2 + sizeof(Value);
    if (properties_.size() < propertyBytes_ + kBytes) {
        properties_.resize(2 * (propertyBytes_ + kBytes));
    }
    unsigned char* out = properties_.data() + propertyBytes_;
    PutUInt16Little(out, static_cast<std::uint16_t>(column));
    if constexpr (sizeof(Value) == 8) {
        PutLittle(out + 2, value);
    } else {
        PutInt32Little(out + 2, value);
    }
    propertyBytes_ += kBytes;
}

void FlatGeobufFeature::Integer(int column, std::int32_t value) {
    Put(column, value);
}

void FlatGeobufFeature::Real(int column, double value) {
    Put(column, value);
}

void FlatGeobufFeature::Text(int column, std::string_view value) {
    const std::size_t bytes = TextBytes(value);
    if (properties_.size() < propertyBytes_ + bytes) {
        properties_.resize(2 * (propertyBytes_ + bytes));
    }
    unsigned char* out = properties_.data() + propertyBytes_;
    PutUInt16Little(out, static_cast<std::uint16_t>(column));
    PutUInt32(out + 2, value.size());
    std::copy(value.begin(), value.end(), out + 6);
    propertyBytes_ += bytes;
}

std::size_t FlatGeobufFeature::TextBytes(std::string_view value) {
    return 2 + sizeof(std::uint32_t) + value.size();
}

std::size_t FlatGeobufFeature::EncodedBytes() const {
    return kPrefixBytes + TableBytes(xyCount_, propertyBytes_);
}

std::size_t FlatGeobufFeature::EncodedBytesOf(int corners, int integers, int reals,
                                              std::size_t textBytes) {
    return kPrefixBytes +
           TableBytes(XyCount(corners), static_cast<std::size_t>(integers) * kIntegerPropertyBytes +
                                            static_cast<std::size_t>(reals) * kRealPropertyBytes +
                                            textBytes);
}

void FlatGeobufFeature::Encode(unsigned char* out) const {
    const std::size_t tableBytes = TableBytes(xyCount_, propertyBytes_);
    PutUInt32(out, tableBytes);
    unsigned char* table = out + kPrefixBytes;
    std::memset(table, 0, tableBytes);
    PutUInt32(table, kFeatureTable);

    PutUInt16(table + kFeatureVtable, 8);
    PutUInt16(table + kFeatureVtable + 2, 12);
    PutUInt16(table + kFeatureVtable + 4, 4);
    PutUInt16(table + kFeatureVtable + 6, 8);
    PutInt32Little(table + kFeatureTable,
                   static_cast<std::int32_t>(kFeatureTable - kFeatureVtable));
    PutUInt32(table + kFeatureTable + 4, kGeometryTable - (kFeatureTable + 4));
    const std::size_t properties = PropertiesVector(xyCount_);
    PutUInt32(table + kFeatureTable + 8, properties - (kFeatureTable + 8));

    PutUInt16(table + kGeometryVtable, 8);
    PutUInt16(table + kGeometryVtable + 2, 8);
    PutUInt16(table + kGeometryVtable + 6, 4);
    PutInt32Little(table + kGeometryTable,
                   static_cast<std::int32_t>(kGeometryTable - kGeometryVtable));
    PutUInt32(table + kGeometryTable + 4, kXyVector - (kGeometryTable + 4));

    PutUInt32(table + kXyVector, xyCount_);
    for (std::size_t c = 0; c < xyCount_; ++c) {
        PutLittle(table + kXyData + 8 * c, xy_[c]);
    }
    PutUInt32(table + properties, propertyBytes_);
    std::copy(properties_.begin(),
              properties_.begin() + static_cast<std::ptrdiff_t>(propertyBytes_),
              table + properties + 4);
}

}  // namespace tesselar
