#pragma once

#include <cstddef>

namespace tesselar {

// Sizes the shapefile and dBASE III formats fix, in bytes.

// .shp and .shx: the file header, a record's header (number and content length), an index
// record (offset and content length).
inline constexpr std::size_t kMainHeaderBytes = 100;
inline constexpr std::size_t kRecordHeaderBytes = 8;
inline constexpr std::size_t kIndexRecordBytes = 8;

// Record contents: a point is its type, x and y; a polygon its type, bounding box, part and point
// counts, then 4 bytes per part and 16 per point.
inline constexpr std::size_t kPointContentBytes = 4 + 16;
inline constexpr std::size_t kPolygonFixedContentBytes = 4 + 32 + 4 + 4;
inline constexpr std::size_t kPartIndexBytes = 4;
inline constexpr std::size_t kPointBytes = 16;

// .dbf: the table header and one descriptor per column.
inline constexpr std::size_t kDbfHeaderBytes = 32;
inline constexpr std::size_t kDbfDescriptorBytes = 32;

// The widest number column and its most decimals: the largest every reader takes (ArcGIS
// reads a dBASE number of up to 19 characters; GDAL, shapelib and pyshp more). 19 characters
// hold any 17-digit value whose point lies among its digits, with its sign.
inline constexpr int kMaxNumberWidth = 19;
inline constexpr int kMaxNumberDecimals = 15;

}  // namespace tesselar
