#include "controls/shapefile/ShapeRecord.h"

#include <algorithm>
#include <cmath>

#include "controls/shapefile/ByteOrder.h"
#include "controls/shapefile/FormatSizes.h"
#include "controls/shapefile/NumericText.h"
#include "controls/shapefile/ShapeFileError.h"
#include "controls/shapefile/ShapeFiles.h"
#include "conversion/PrintableText.h"

namespace tesselar {

namespace {

constexpr std::size_t kMinRingVertices = 3;

bool SamePosition(const Vertex& a, const Vertex& b) {
    return a.x == b.x && a.y == b.y;
}

// Twice the ring's signed area (shoelace formula), positive for a counter-clockwise ring.
// Measured from the first vertex, which keeps large projected coordinates from cancelling.
double TwiceSignedArea(const Vertex* ring, std::size_t count) {
    const double x0 = ring[0].x;
    const double y0 = ring[0].y;
    double sum = 0.0;
    for (std::size_t i = 1; i + 1 < count; ++i) {
        sum += (ring[i].x - x0) * (ring[i + 1].y - y0) - (ring[i + 1].x - x0) * (ring[i].y - y0);
    }
    return sum;
}

unsigned char* PutPoint(unsigned char* out, const Vertex& vertex) {
    PutDoubleLittle(out, vertex.x);
    PutDoubleLittle(out + 8, vertex.y);
    return out + 16;
}

}  // namespace

void BoundingBox::Include(double x, double y) {
    xMin = std::min(xMin, x);
    yMin = std::min(yMin, y);
    xMax = std::max(xMax, x);
    yMax = std::max(yMax, y);
}

void BoundingBox::Include(const BoundingBox& other) {
    Include(other.xMin, other.yMin);
    Include(other.xMax, other.yMax);
}

void VertexCollector::AddVertex(double x, double y, int part) {
    if (!std::isfinite(x) || !std::isfinite(y)) {
        throw ShapeFileError("cannot add the vertex (" + NumberText(x) + ", " + NumberText(y) +
                             ") to a shape of '" + PrintableText(shpName_) +
                             "': coordinates must be finite numbers");
    }
    vertices_.push_back({x, y, part});
}

void ShapeRecord::Plan(std::int32_t shapeType, const std::vector<Vertex>& vertices,
                       std::int64_t shapeNumber, const std::string& shpName) {
    shapeType_ = shapeType;
    rings_.clear();
    if (shapeType == kShapeTypePoint) {
        if (vertices.size() != 1) {
            throw ShapeFileError(
                "shape " + std::to_string(shapeNumber) + " of '" + PrintableText(shpName) +
                "' has " + std::to_string(vertices.size()) + " vertices; a point has exactly 1");
        }
        pointCount_ = 1;
        box_ = {vertices[0].x, vertices[0].y, vertices[0].x, vertices[0].y};
        return;
    }
    PlanPolygon(vertices, shapeNumber, shpName);
}

void ShapeRecord::PlanPolygon(const std::vector<Vertex>& vertices, std::int64_t shapeNumber,
                              const std::string& shpName) {
    if (vertices.empty()) {
        throw ShapeFileError("shape " + std::to_string(shapeNumber) + " of '" +
                             PrintableText(shpName) +
                             "' has no vertices; a polygon needs a ring of at least 3");
    }
    pointCount_ = 0;
    box_ = {vertices[0].x, vertices[0].y, vertices[0].x, vertices[0].y};
    std::size_t first = 0;
    while (first < vertices.size()) {
        std::size_t end = first + 1;
        while (end < vertices.size() && vertices[end].part == vertices[first].part) {
            ++end;
        }
        std::size_t count = end - first;
        // A ring given closed is closed again below, not twice.
        if (count > 1 && SamePosition(vertices[first], vertices[end - 1])) {
            --count;
        }
        if (count < kMinRingVertices) {
            throw ShapeFileError(
                "shape " + std::to_string(shapeNumber) + " of '" + PrintableText(shpName) +
                "': its ring of part " + std::to_string(vertices[first].part) + " has " +
                std::to_string(count) + " distinct vertices; a ring needs at least 3");
        }
        const bool counterClockwise = TwiceSignedArea(&vertices[first], count) > 0.0;
        rings_.push_back({first, count, counterClockwise});
        pointCount_ += count + 1;
        for (std::size_t i = first; i < end; ++i) {
            box_.Include(vertices[i].x, vertices[i].y);
        }
        first = end;
    }
}

std::size_t ShapeRecord::ContentBytes() const {
    if (shapeType_ == kShapeTypePoint) {
        return kPointContentBytes;
    }
    return kPolygonFixedContentBytes + kPartIndexBytes * rings_.size() + kPointBytes * pointCount_;
}

std::size_t ShapeRecord::Bytes() const {
    return kRecordHeaderBytes + ContentBytes();
}

void ShapeRecord::Write(std::int32_t recordNumber, const std::vector<Vertex>& vertices,
                        unsigned char* out) const {
    // Record header: number and content length in 16-bit words, big-endian.
    PutInt32Big(out, recordNumber);
    PutInt32Big(out + 4, static_cast<std::int32_t>(ContentBytes() / 2));
    PutInt32Little(out + 8, shapeType_);
    unsigned char* cursor = out + 12;
    if (shapeType_ == kShapeTypePoint) {
        PutPoint(cursor, vertices[0]);
        return;
    }
    // Polygon: box, counts, the index of each ring's first point, then the points.
    PutDoubleLittle(cursor, box_.xMin);
    PutDoubleLittle(cursor + 8, box_.yMin);
    PutDoubleLittle(cursor + 16, box_.xMax);
    PutDoubleLittle(cursor + 24, box_.yMax);
    PutInt32Little(cursor + 32, static_cast<std::int32_t>(rings_.size()));
    PutInt32Little(cursor + 36, static_cast<std::int32_t>(pointCount_));
    cursor += 40;
    std::size_t ringStart = 0;
    for (const Ring& ring : rings_) {
        PutInt32Little(cursor, static_cast<std::int32_t>(ringStart));
        cursor += 4;
        ringStart += ring.count + 1;
    }
    for (const Ring& ring : rings_) {
        const Vertex* first = &vertices[ring.first];
        cursor = PutPoint(cursor, *first);
        if (ring.reverse) {
            for (std::size_t i = ring.count - 1; i >= 1; --i) {
                cursor = PutPoint(cursor, first[i]);
            }
        } else {
            for (std::size_t i = 1; i < ring.count; ++i) {
                cursor = PutPoint(cursor, first[i]);
            }
        }
        cursor = PutPoint(cursor, *first);
    }
}

}  // namespace tesselar
