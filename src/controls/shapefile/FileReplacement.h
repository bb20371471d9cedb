#pragma once

#include <string>
#include <vector>

#include "controls/shapefile/OutputFiles.h"

namespace tesselar {

// A complete, closed file and the path it is to have.
struct NewFile {
    OutputFile* file;
    std::string destination;
};

// The files of one new shapefile and the .shp path it replaces.
struct NewShapefile {
    std::string shpPath;
    std::vector<NewFile> files;  // placed in this order: the .shp last
};

// Puts the files of a new shapefile in place of the one at `shpPath`, as one step, under the lock
// of its folder: every file of the earlier shapefile (any companion, the extensions in any case;
// the name before them byte for byte the same) is set aside, its .shp first, then the new files
// are placed in the order given, the .shp last, and the files set aside are removed. So a reader,
// or a crash, finds the earlier shapefile, the new one, or no .shp, never a mix. When any step
// fails (or anything unwinds through it), the files placed are removed and those set aside put
// back before the error goes on. Files set aside by a replacement that was killed are removed
// first (the shapefile they belonged to is replaced); once the new files are in place, the
// temporary files of conversions to this name killed while writing go too, and those of one
// still writing stay.
void ReplaceShapefile(OutputFileSystem& files, const std::string& shpPath,
                      const std::vector<NewFile>& newFiles);

// The same for several shapefiles of one folder (every `shpPath` in `folder`, each named once)
// under one hold of its lock: all are replaced, or, when any step fails, every file placed is
// removed and every earlier file put back, so that the folder holds all the new shapefiles or
// all the earlier ones. The earlier files of all are removed only once every new one is placed,
// and the temporaries that killed conversions left for any of the names after that.
void ReplaceShapefiles(OutputFileSystem& files, const std::string& folder,
                       const std::vector<NewShapefile>& shapefiles);

// Removes the temporary files (TemporaryPrefix) of conversions to the single file at `path`
// that were killed while writing; those of one still writing stay. Called once the new file has
// its name; it needs no lock of the folder, as each file goes only while locked. A folder that
// cannot be read keeps them: the new file is in place all the same.
void RemoveAbandonedTemporaries(OutputFileSystem& files, const std::string& path);

// Puts one complete, closed file in place of `path` under the lock of its folder: an earlier
// file is set aside first and removed once the new one has its name, or put back when that
// fails, so that a reader or a crash finds the earlier file or the new one. Then the temporary
// files of conversions to `path` killed while writing go.
void PlaceReplacingFile(OutputFileSystem& files, OutputFile& file, const std::string& path);

}  // namespace tesselar
