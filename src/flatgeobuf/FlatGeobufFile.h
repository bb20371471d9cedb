#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "controls/shapefile/BufferedOutputFile.h"
#include "controls/shapefile/OutputFiles.h"
#include "crs/CrsIdentity.h"
#include "flatgeobuf/FlatGeobufFeature.h"
#include "flatgeobuf/PackedRTree.h"

namespace tesselar {

// A column of a FlatGeobuf file: a 32-bit integer or a double.
struct FlatGeobufColumn {
    std::string name;
    bool integer = false;
};

// What a FlatGeobuf file holds besides its features.
struct FlatGeobufDefinition {
    std::string name;
    bool polygons = true;
    std::vector<FlatGeobufColumn> columns;
    std::optional<CrsIdentity> crs;
};

// Writes one FlatGeobuf file: its header (columns, coordinate system, feature count), its
// packed Hilbert R-tree over the features' boxes, then the features in the index's order. The
// index comes before the features and holds their offsets, so each feature is measured (its
// box and its encoded size) before any is written, in the order they are to be written; the
// caller gives them in an order that keeps features near each other in space together. Written
// without a name (or under a temporary one) and moved into place, replacing an earlier file,
// under the folder's lock: until Finish has returned, the destination stays as it was.
// Failures throw ShapeFileError naming the file.
class FlatGeobufFile {
public:
    FlatGeobufFile(OutputFileSystem& files, std::string path, FlatGeobufDefinition definition,
                   std::uint64_t featureCount);
    ~FlatGeobufFile();
    FlatGeobufFile(const FlatGeobufFile&) = delete;
    FlatGeobufFile& operator=(const FlatGeobufFile&) = delete;

    // Measures the next feature: its box and its size (FlatGeobufFeature's EncodedBytes).
    void Measure(const Box& box, std::size_t encodedBytes);
    // Writes the header and the index, once every feature is measured.
    void WriteIndex();
    // Writes the next feature, in the order measured.
    void Add(const FlatGeobufFeature& feature);
    // Completes the file, once every feature is written, and puts it in place.
    void Finish();
    const std::string& Path() const { return path_; }

private:
    std::vector<std::uint8_t> Header() const;

    OutputFileSystem& files_;
    std::string path_;
    FlatGeobufDefinition definition_;
    std::uint64_t featureCount_;
    // The index as the file lays it out, root first, leaves last.
    std::vector<IndexNode> nodes_;
    std::uint64_t leavesStart_ = 0;
    std::uint64_t measured_ = 0;
    std::uint64_t written_ = 0;
    std::uint64_t featureBytes_ = 0;
    Box extent_;
    std::unique_ptr<BufferedOutputFile> out_;
};

}  // namespace tesselar
