#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "spatial/HilbertOrder.h"

namespace tesselar {

// Encodes shapes in the GeoPackage binary geometry: the "GP" header (version 0, little-endian,
// with the XY envelope) and the srs_id, then the shape in little-endian WKB. Reuses one buffer.
class GeoPackageGeometry {
public:
    // A polygon of one ring through `corners` corners, closed by repeating the first; the ring
    // is written counter-clockwise, as simple features expect of an exterior ring.
    std::span<const unsigned char> Polygon(const double* x, const double* y, int corners,
                                           std::int32_t srsId);
    std::span<const unsigned char> Point(double x, double y, std::int32_t srsId);
    // The extent of the last shape encoded.
    const Box& Extent() const { return envelope_; }

    static constexpr int kMaxCorners = 4;
    static constexpr std::size_t kHeaderBytes = 8 + 4 * 8;
    // The most bytes a shape takes: a cell's closed ring.
    static constexpr std::size_t kMaxBytes = kHeaderBytes + 1 + 4 + 4 + 4 + (kMaxCorners + 1) * 16;

private:
    unsigned char* WriteHeader(std::int32_t srsId);

    Box envelope_;
    std::array<unsigned char, kMaxBytes> bytes_{};
};

}  // namespace tesselar
