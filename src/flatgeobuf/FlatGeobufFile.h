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

    // Measures the next feature, numbered from 0 in the order added: its box and its size
    // (FlatGeobufFeature's EncodedBytes).
    void Add(const Box& box, std::size_t encodedBytes);
    // Writes the file, asking `source` for each feature in turn, and puts it in place.
    void Finish(FlatGeobufSource& source);
    const std::string& Path() const { return path_; }

    // The other way to write the file, for more features than their boxes could be kept for:
    // without a spatial index, each feature written as it comes. Start announces
    // `featureCount` features within `extent`; once Stream has written them all, FinishStream
    // puts the file in place.
    void Start(std::uint64_t featureCount, const Box& extent);
    void Stream(const FlatGeobufFeature& feature);
    void FinishStream();

private:
    std::vector<std::uint8_t> Header(std::uint64_t featureCount, std::uint16_t indexNodeSize) const;

    OutputFileSystem& files_;
    std::string path_;
    FlatGeobufDefinition definition_;
    std::vector<Box> boxes_;
    std::vector<std::uint32_t> encodedBytes_;
    Box extent_;
    // While streaming: the file, and the features still to come.
    std::unique_ptr<BufferedOutputFile> stream_;
    std::uint64_t streamLeft_ = 0;
};

}  // namespace tesselar
