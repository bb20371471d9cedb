#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "controls/shapefile/ShapeFieldList.h"

namespace tesselar {

struct Vertex {
    double x;
    double y;
    int part;
};

struct BoundingBox {
    double xMin = 0.0;
    double yMin = 0.0;
    double xMax = 0.0;
    double yMax = 0.0;

    void Include(double x, double y);
    void Include(const BoundingBox& other);
};

// The vertices of the shape being built.
class VertexCollector final : public ShapeVertexList {
public:
    // `shpName` is the .shp path the user knows, used in messages.
    explicit VertexCollector(std::string shpName) : shpName_(std::move(shpName)) {}
    void AddVertex(double x, double y, int part) override;

    const std::vector<Vertex>& Vertices() const { return vertices_; }
    // Empties the list and keeps its memory for the next shape.
    void Clear() { vertices_.clear(); }

private:
    std::string shpName_;
    std::vector<Vertex> vertices_;
};

// One record of the main file: its checked vertices, its size and its bounding box.
//
// A polygon's vertices with the same part number form one ring, and a new ring starts where the
// part number changes. Each ring is an outer ring: it is closed (its first vertex repeated at
// its end, unless already so) and written clockwise, reversed when given counter-clockwise
// with its first vertex kept first. A ring without area is written as given.
class ShapeRecord {
public:
    // Checks `vertices` for a shape of `shapeType` and lays out its record; throws
    // ShapeFileError naming `shpName` and the shape's number.
    void Plan(std::int32_t shapeType, const std::vector<Vertex>& vertices, std::int64_t shapeNumber,
              const std::string& shpName);
    // Bytes of the record: its 8-byte header and its content.
    std::size_t Bytes() const;
    const BoundingBox& Box() const { return box_; }
    // Writes the planned record, Bytes() long, to `out`.
    void Write(std::int32_t recordNumber, const std::vector<Vertex>& vertices,
               unsigned char* out) const;

private:
    struct Ring {
        std::size_t first;
        std::size_t count;  // without the closing vertex
        bool reverse;
    };

    void PlanPolygon(const std::vector<Vertex>& vertices, std::int64_t shapeNumber,
                     const std::string& shpName);
    std::size_t ContentBytes() const;

    std::int32_t shapeType_ = 0;
    std::vector<Ring> rings_;
    std::size_t pointCount_ = 0;
    BoundingBox box_;
};

}  // namespace tesselar
