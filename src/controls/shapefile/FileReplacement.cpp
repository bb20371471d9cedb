#include "controls/shapefile/FileReplacement.h"

#include <sys/stat.h>

#include <algorithm>
#include <exception>

#include "controls/shapefile/ShapeFileError.h"
#include "controls/shapefile/ShapeFileNames.h"
#include "conversion/PrintableText.h"

namespace tesselar {

namespace {

struct SetAside {
    std::string path;
    std::string aside;
};

// Undoes what was done so far. Returns what could not be undone, for the message.
std::string PutBack(OutputFileSystem& files, const std::vector<std::string>& placed,
                    const std::vector<SetAside>& setAside) {
    for (const std::string& path : placed) {
        files.Remove(path);
    }
    std::string notes;
    for (const SetAside& file : setAside) {
        try {
            files.Rename(file.aside, file.path);
        } catch (...) {
            // The earlier file is kept under its other name rather than lost.
            notes += "; the earlier '" + PrintableText(file.path) + "' is kept as '" +
                     PrintableText(file.aside) + "'";
        }
    }
    return notes;
}

}  // namespace

void ReplaceShapefile(OutputFileSystem& files, const std::string& shpPath,
                      const std::vector<NewFile>& newFiles) {
    ReplaceShapefiles(files, FolderOf(shpPath), {{shpPath, newFiles}});
}

void ReplaceShapefiles(OutputFileSystem& files, const std::string& folder,
                       const std::vector<NewShapefile>& shapefiles) {
    const auto lock = files.LockFolder(folder);
    const std::vector<std::string> names = files.ListFolder(folder);
    // Per shapefile, the names of its earlier files, the .shp first.
    std::vector<std::vector<std::string>> earlier(shapefiles.size());
    std::vector<std::string> temporaries;
    for (std::size_t s = 0; s < shapefiles.size(); ++s) {
        const std::string shpName = FileNameOf(shapefiles[s].shpPath);
        const std::string asidePrefix = SetAsidePrefix(shpName);
        const std::size_t stemSize = shpName.size() - 4;
        for (const std::string& name : names) {
            if (name.starts_with(asidePrefix)) {
                files.Remove(PathIn(folder, name));
            } else if (IsTemporaryOfShapefile(name, shpName)) {
                temporaries.push_back(PathIn(folder, name));
            } else if (IsFileOfShapefile(name, shpName)) {
                earlier[s].push_back(name);
            }
        }
        // Without its .shp the earlier shapefile no longer opens: from then on its files may go.
        std::stable_partition(earlier[s].begin(), earlier[s].end(),
                              [stemSize](const std::string& name) {
                                  return name.size() == stemSize + 4 && IsShpPath(name);
                              });
    }

    std::vector<SetAside> setAside;
    std::vector<std::string> placed;
    try {
        for (std::size_t s = 0; s < shapefiles.size(); ++s) {
            const std::string shpName = FileNameOf(shapefiles[s].shpPath);
            const std::string asidePrefix = SetAsidePrefix(shpName);
            const std::size_t stemSize = shpName.size() - 4;
            std::size_t asideCount = 0;
            for (const std::string& name : earlier[s]) {
                SetAside file{PathIn(folder, name),
                              PathIn(folder, asidePrefix + std::to_string(asideCount++) +
                                                 name.substr(stemSize))};
                files.Rename(file.path, file.aside);
                setAside.push_back(std::move(file));
            }
            for (const NewFile& file : shapefiles[s].files) {
                file.file->Place(file.destination);
                placed.push_back(file.destination);
            }
        }
    } catch (const std::exception& error) {
        const std::string notes = PutBack(files, placed, setAside);
        if (notes.empty()) {
            throw;
        }
        throw ShapeFileError(error.what() + notes);
    } catch (...) {
        PutBack(files, placed, setAside);
        throw;
    }
    for (const SetAside& file : setAside) {
        files.Remove(file.aside);
    }
    // Once the new files have their names: until then some of these may be theirs.
    for (const std::string& path : temporaries) {
        files.RemoveAbandoned(path);
    }
}

void RemoveAbandonedTemporaries(OutputFileSystem& files, const std::string& path) {
    const std::string folder = FolderOf(path);
    const std::string fileName = FileNameOf(path);
    std::vector<std::string> names;
    try {
        names = files.ListFolder(folder);
    } catch (const ShapeFileError&) {
        return;
    }
    for (const std::string& name : names) {
        if (IsTemporaryOf(name, fileName)) {
            files.RemoveAbandoned(PathIn(folder, name));
        }
    }
}

}  // namespace tesselar

namespace tesselar {

void PlaceReplacingFile(OutputFileSystem& files, OutputFile& file, const std::string& path) {
    const std::string folder = FolderOf(path);
    const auto lock = files.LockFolder(folder);
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) {
        file.Place(path);
        RemoveAbandonedTemporaries(files, path);
        return;
    }
    // A folder of that name is no earlier file: it is left where it is.
    if (S_ISDIR(status.st_mode)) {
        throw ShapeFileError("cannot create '" + PrintableText(path) + "': it is a folder");
    }
    const std::string aside = PathIn(folder, "." + FileNameOf(path) + ".earlier");
    files.Rename(path, aside);
    try {
        file.Place(path);
    } catch (...) {
        try {
            files.Rename(aside, path);
        } catch (const std::exception& error) {
            throw ShapeFileError("the earlier '" + PrintableText(path) + "' is kept as '" +
                                 PrintableText(aside) + "': " + error.what());
        }
        throw;
    }
    files.Remove(aside);
    RemoveAbandonedTemporaries(files, path);
}

}  // namespace tesselar
