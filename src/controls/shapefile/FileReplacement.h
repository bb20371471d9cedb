#pragma once

#include <string>
#include <vector>

#include "controls/shapefile/OutputFiles.h"

namespace tesselar {

struct FileMove {
    std::string from;
    std::string to;
};

// Moves each new file onto its destination, in the order given, as one step: the earlier files
// at the destinations are set aside first, and when any move fails they are put back and the
// new files removed before the error is thrown, so the destination is as it was. After the
// last move the earlier files are removed.
void MoveIntoPlace(OutputFileSystem& files, const std::vector<FileMove>& moves);

}  // namespace tesselar
