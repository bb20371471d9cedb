#pragma once

#include <cstddef>
#include <cstdint>

#include "spatial/HilbertOrder.h"

namespace tesselar {

// Encodes shapes in the GeoPackage binary geometry: the "GP" header (version 0, little-endian,
// no envelope) and the srs_id, then the shape in little-endian WKB. The header may leave out
// the envelope, which readers compute from the shape where they need it: of a cell's 133 bytes
// it took 32, a sixth of the file and of what SQLite copies for every row.
class GeoPackageGeometry {
public:
    // A polygon of one ring through `corners` corners, closed by repeating the first; the ring
    // is written counter-clockwise, as simple features expect of an exterior ring. Writes to
    // `out`, which has room for kMaxBytes, and returns the bytes written.
    std::size_t Polygon(const double* x, const double* y, int corners, std::int32_t srsId,
                        unsigned char* out);
    std::size_t Point(double x, double y, std::int32_t srsId, unsigned char* out);
    // The extent of the last shape encoded.
    const Box& Extent() const { return envelope_; }

    static constexpr int kMaxCorners = 4;
    static constexpr std::size_t kHeaderBytes = 8;
    // The most bytes a shape takes: a cell's closed ring.
    static constexpr std::size_t kMaxBytes = kHeaderBytes + 1 + 4 + 4 + 4 + (kMaxCorners + 1) * 16;

private:
    Box envelope_;
};

}  // namespace tesselar
