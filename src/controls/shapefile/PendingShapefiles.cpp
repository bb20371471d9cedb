#include "controls/shapefile/PendingShapefiles.h"

#include "controls/shapefile/FileReplacement.h"
#include "controls/shapefile/ShapeFileError.h"
#include "controls/shapefile/ShapeFileNames.h"
#include "conversion/PrintableText.h"

namespace tesselar {

PendingShapefiles::PendingShapefiles(OutputFileSystem& files, std::string folder)
    : files_(files), folder_(std::move(folder)) {}

void PendingShapefiles::Add(
    const std::string& shpPath,
    std::vector<std::pair<std::unique_ptr<OutputFile>, std::string>> files) {
    if (FolderOf(shpPath) != folder_) {
        throw ShapeFileError("'" + PrintableText(shpPath) + "' lies outside the folder '" +
                             PrintableText(folder_) + "' of the other shapefiles of the run");
    }
    for (const Held& held : shapefiles_) {
        if (IsFileOfShapefile(FileNameOf(held.shpPath), FileNameOf(shpPath))) {
            throw ShapeFileError("two shapefiles of the run are named '" + PrintableText(shpPath) +
                                 "'");
        }
    }
    shapefiles_.push_back({shpPath, std::move(files)});
}

const OutputFile& PendingShapefiles::HeldFile(const std::string& destination) const {
    for (const Held& held : shapefiles_) {
        for (const auto& [file, heldFor] : held.files) {
            if (heldFor == destination) {
                return *file;
            }
        }
    }
    throw ShapeFileError("no file is held for '" + PrintableText(destination) + "'");
}

void PendingShapefiles::PlaceAll() {
    std::vector<NewShapefile> sets;
    sets.reserve(shapefiles_.size());
    for (const Held& held : shapefiles_) {
        NewShapefile& set = sets.emplace_back(NewShapefile{held.shpPath, {}});
        for (const auto& [file, destination] : held.files) {
            set.files.push_back({file.get(), destination});
        }
    }
    ReplaceShapefiles(files_, folder_, sets);
}

}  // namespace tesselar
