#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

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

// Hands over the features of a FlatGeobuf file one by one, by their number (the order in which
// they were added, from 0), in the order the file holds them.
class FlatGeobufSource {
public:
    virtual ~FlatGeobufSource() = default;
    virtual void Fill(std::uint64_t number, FlatGeobufFeature& feature) = 0;
};

// Writes one FlatGeobuf file: its header (columns, coordinate system, feature count), its
// packed Hilbert R-tree over the features' boxes, and the features sorted by the Hilbert value
// of their boxes' centres. Written without a name (or under a temporary one) and moved into
// place, replacing an earlier file, under the folder's lock: until Finish has returned, the
// destination stays as it was. Failures throw ShapeFileError naming the file.
class FlatGeobufFile {
public:
    FlatGeobufFile(OutputFileSystem& files, std::string path, FlatGeobufDefinition definition);
    ~FlatGeobufFile();
    FlatGeobufFile(const FlatGeobufFile&) = delete;
    FlatGeobufFile& operator=(const FlatGeobufFile&) = delete;

    // Measures the next feature, numbered from 0 in the order added: its box and its size.
    void Add(const FlatGeobufFeature& feature);
    // Writes the file, asking `source` for each feature in turn, and puts it in place.
    void Finish(FlatGeobufSource& source);
    const std::string& Path() const { return path_; }

private:
    std::vector<std::uint8_t> Header() const;

    OutputFileSystem& files_;
    std::string path_;
    FlatGeobufDefinition definition_;
    std::vector<Box> boxes_;
    std::vector<std::uint32_t> encodedBytes_;
    Box extent_;
};

}  // namespace tesselar
