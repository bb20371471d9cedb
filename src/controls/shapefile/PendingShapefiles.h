#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "controls/shapefile/OutputFiles.h"

namespace tesselar {

// Complete shapefiles held back without names, to be placed together: a run of several
// shapefiles changes its folder only once all are written (see ReplaceShapefiles). Destroyed
// before PlaceAll succeeds, it discards every file it holds.
class PendingShapefiles {
public:
    // The shapefiles held go to `folder` of `files`, which must outlive this.
    PendingShapefiles(OutputFileSystem& files, std::string folder);

    // The closed files of the shapefile at `shpPath`, each with its destination, the .shp last.
    // Throws ShapeFileError when `shpPath` lies outside the folder or another shapefile held
    // has its name (its extension in any case).
    void Add(const std::string& shpPath,
             std::vector<std::pair<std::unique_ptr<OutputFile>, std::string>> files);
    std::size_t Count() const { return shapefiles_.size(); }
    // The file held for `destination`. Throws ShapeFileError when none is.
    const OutputFile& HeldFile(const std::string& destination) const;
    // Puts every shapefile held in place, all or none, under one hold of the folder's lock.
    void PlaceAll();

private:
    struct Held {
        std::string shpPath;
        std::vector<std::pair<std::unique_ptr<OutputFile>, std::string>> files;
    };

    OutputFileSystem& files_;
    std::string folder_;
    std::vector<Held> shapefiles_;
};

}  // namespace tesselar
