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

class BufferedOutputFile;

// A column of a FlatGeobuf file: a 32-bit integer, a date-time (ISO 8601 text) or a double.
struct FlatGeobufColumn {
    std::string name;
    bool integer = false;
    bool dateTime = false;
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
// index comes before the features and holds their offsets, so the file is written in three
// rounds over the features, each in the order they are to be written: Measure (box and
// encoded size), then, after WriteIndex, Leaf (the box again) and Add (the feature). The
// caller gives them in an order that keeps features near each other in space together. Only the
// index's levels above the leaves are held, not a node per feature.
//
// Written without a name (or under a temporary one) and moved into place, replacing an earlier
// file, under the folder's lock: until Finish has returned, the destination stays as it was.
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
    // Writes the header and the index above its leaves, once every feature is measured.
    void WriteIndex();
    // Writes the next feature's leaf of the index: the box measured.
    void Leaf(const Box& box);
    // Writes the next feature, once every leaf is written.
    void Add(const FlatGeobufFeature& feature);
    // Completes the file, once every feature is written, and puts it in place.
    void Finish();
    const std::string& Path() const { return path_; }

    // The other way to write the file, for more features than their boxes could be kept for:
    // without a spatial index, each feature written as it comes, by a file made for no
    // feature. Start announces `featureCount` features within `extent`; once Stream has
    // written them all, FinishStream puts the file in place.
    void Start(std::uint64_t featureCount, const Box& extent);
    void Stream(const FlatGeobufFeature& feature);
    void FinishStream();

private:
    // Creates the file and writes its magic bytes and header: `featureCount` features, an index
    // of nodes of `indexNodeSize` children (0: none).
    void Begin(std::uint64_t featureCount, std::uint16_t indexNodeSize);
    [[noreturn]] void Fail(const std::string& what) const;

    OutputFileSystem& files_;
    std::string path_;
    FlatGeobufDefinition definition_;
    std::uint64_t featureCount_;
    // The index's nodes above the leaves as the file lays them out, root first; the leaves come
    // after them.
    std::vector<IndexNode> upper_;
    std::uint64_t parentsStart_ = 0;  // where the leaves' parents begin among them
    std::vector<std::uint32_t> featureBytes_;
    std::uint64_t measured_ = 0;
    std::uint64_t leaves_ = 0;
    std::uint64_t written_ = 0;
    std::uint64_t offset_ = 0;  // of the next leaf's feature among the features
    Box extent_;
    std::unique_ptr<BufferedOutputFile> out_;
    std::uint64_t streamLeft_ = 0;  // while streaming: the features still to come
};

}  // namespace tesselar
