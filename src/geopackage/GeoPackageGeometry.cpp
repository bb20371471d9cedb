#include "geopackage/GeoPackageGeometry.h"

#include <algorithm>

#include "geopackage/GeoPackageError.h"
#include "spatial/PutLittle.h"

namespace tesselar {

namespace {

constexpr unsigned char kVersion = 0;
// Flags: bit 0 little-endian, bits 1 to 3 the envelope kind (0: none).
constexpr unsigned char kFlagsLittleEndianNoEnvelope = 0x01;
constexpr unsigned char kWkbLittleEndian = 1;
constexpr std::uint32_t kWkbPoint = 1;
constexpr std::uint32_t kWkbPolygon = 3;

unsigned char* PutPoint(unsigned char* out, double x, double y) {
    PutLittle(out, x);
    PutLittle(out + 8, y);
    return out + 16;
}

unsigned char* PutHeader(unsigned char* out, std::int32_t srsId, std::uint32_t wkbType) {
    out[0] = 'G';
    out[1] = 'P';
    out[2] = kVersion;
    out[3] = kFlagsLittleEndianNoEnvelope;
    PutLittle(out + 4, srsId);
    out[8] = kWkbLittleEndian;
    PutLittle(out + 9, wkbType);
    return out + 13;
}

}  // namespace

std::size_t GeoPackageGeometry::Polygon(const double* x, const double* y, int corners,
                                        std::int32_t srsId, unsigned char* start) {
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
    unsigned char* out = PutHeader(start, srsId, kWkbPolygon);
    PutLittle(out, std::uint32_t{1});
    PutLittle(out + 4, static_cast<std::uint32_t>(count + 1));
    out += 8;
    // The first corner stays first, and comes again at the end; a clockwise ring is walked the
    // other way round.
    const bool reverse = twiceArea < 0.0;
    for (std::size_t c = 0; c < count; ++c) {
        const std::size_t corner = reverse && c > 0 ? count - c : c;
        out = PutPoint(out, x[corner], y[corner]);
    }
    out = PutPoint(out, x[0], y[0]);
    return static_cast<std::size_t>(out - start);
}

std::size_t GeoPackageGeometry::Point(double x, double y, std::int32_t srsId,
                                      unsigned char* start) {
    envelope_ = {x, y, x, y};
    const unsigned char* end = PutPoint(PutHeader(start, srsId, kWkbPoint), x, y);
    return static_cast<std::size_t>(end - start);
}

}  // namespace tesselar
