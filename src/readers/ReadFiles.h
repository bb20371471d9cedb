#pragma once

#include <functional>
#include <string>

#include "conversion/ConversionJob.h"

namespace tesselar {

// Called once IMax and JMax are known, before any array is created or value read; it throws to
// refuse the sizes.
using SizesRead = std::function<void(const ConversionJob& job)>;

// Reads the job's X and Y axys files and attribute files into IMax, JMax, XCoords, YCoords and
// AttribValues, after ShapeType, XAxysFile, YAxysFile and the attributes are set. Throws
// InputFileError (or OverflowError) naming the file, the line and what was wrong.
void ReadInputData(ConversionJob& job, const SizesRead& sizesRead);

// The value text of the first line of `path` that contains `keyword`: the at most 10
// characters after the line's first ":" (the line's first 10 characters when it has none).
// The scan also ends at an empty line; the text then comes from the line above it.
std::string ReadHeaderValue(const std::string& path, const std::string& keyword);

// The 1-based number of the first line of `path` containing `marker`; when the scan ends
// without it (at an empty line or the end of the file), the number of the last line read, or 0
// when no line was read.
long FindBeginDataLine(const std::string& path, const std::string& marker);

}  // namespace tesselar
