#include "geopackage/GeoPackageGeometry.h"

#include <algorithm>

#include "controls/shapefile/ByteOrder.h"
#include "geopackage/GeoPackageError.h"

namespace tesselar {

namespace {

constexpr unsigned char kVersion = 0;
// Flags: bit 0 little-endian, bits 1 to 3 the envelope kind (1: minx, maxx, miny, maxy).
constexpr unsigned char kFlagsLittleEndianXyEnvelope = 0x01 | (1 << 1);
constexpr unsigned char kWkbLittleEndian = 1;
constexpr std::uint32_t kWkbPoint = 1;
constexpr std::uint32_t kWkbPolygon = 3;

unsigned char* PutPoint(unsigned char* out, double x, double y) {
    PutDoubleLittle(out, x);
    PutDoubleLittle(out + 8, y);
    return out + 16;
}

}  // namespace

unsigned char* GeoPackageGeometry::WriteHeader(std::int32_t srsId) {
    unsigned char* out = bytes_.data();
    out[0] = 'G';
    out[1] = 'P';
    out[2] = kVersion;
    out[3] = kFlagsLittleEndianXyEnvelope;
    PutInt32Little(out + 4, srsId);
    PutDoubleLittle(out + 8, envelope_.minX);
    PutDoubleLittle(out + 16, envelope_.maxX);
    PutDoubleLittle(out + 24, envelope_.minY);
    PutDoubleLittle(out + 32, envelope_.maxY);
    return out + kHeaderBytes;
}

std::span<const unsigned char> GeoPackageGeometry::Polygon(const double* x, const double* y,
                                                           int corners, std::int32_t srsId) {
    if (corners < 3 || corners > kMaxCorners) {
        throw GeoPackageError("a polygon of " + std::to_string(corners) +
                              " corners is no cell of a grid");
    }
    const auto count = static_cast<std::size_t>(corners);
    envelope_ = {x[0], y[0], x[0], y[0]};
    double twiceArea = x[count - 1] * y[0] - x[0] * y[count - 1];
    for (std::size_t c = 1; c < count; ++c) {
        twiceArea += x[c - 1] * y[c] - x[c] * y[c - 1];
        envelope_.Include(Box{x[c], y[c], x[c], y[c]});
    }
    unsigned char* out = WriteHeader(srsId);
    *out++ = kWkbLittleEndian;
    PutUInt32Little(out, kWkbPolygon);
    PutUInt32Little(out + 4, 1);
    PutUInt32Little(out + 8, static_cast<std::uint32_t>(count + 1));
    out += 12;
    // The first corner stays first, and comes again at the end; a clockwise ring is walked the
    // other way round.
    const bool reverse = twiceArea < 0.0;
    for (std::size_t c = 0; c < count; ++c) {
        const std::size_t corner = reverse && c > 0 ? count - c : c;
        out = PutPoint(out, x[corner], y[corner]);
    }
    out = PutPoint(out, x[0], y[0]);
    return {bytes_.data(), static_cast<std::size_t>(out - bytes_.data())};
}

std::span<const unsigned char> GeoPackageGeometry::Point(double x, double y, std::int32_t srsId) {
    envelope_ = {x, y, x, y};
    unsigned char* out = WriteHeader(srsId);
    *out++ = kWkbLittleEndian;
    PutUInt32Little(out, kWkbPoint);
    out = PutPoint(out + 4, x, y);
    return {bytes_.data(), static_cast<std::size_t>(out - bytes_.data())};
}

}  // namespace tesselar
