#pragma once

#include <functional>

#include "conversion/ConversionJob.h"
#include "conversion/StopRequest.h"
#include "readers/ZeroedValues.h"

namespace tesselar {

// Called once IMax and JMax are known, before any array is created or value read; it throws to
// refuse the sizes.
using SizesRead = std::function<void(const ConversionJob& job)>;

// Reads the job's X and Y axys files and attribute files into IMax, JMax, XCoords, YCoords and
// AttribValues, after ShapeType, XAxysFile, YAxysFile and the attributes are set. Each file is
// opened once and read in one pass, so pipes and FIFOs serve as well as regular files. Throws
// ConversionError: InputFileError (or OverflowError) naming the file, the line and what was
// wrong, or, before any file is read, for an attribute name that cannot be a column name;
// Interrupted once `stop` is requested. Returns the values, coordinates and attribute values
// alike, that the rounding to hundredths made 0.
ZeroedValues ReadInputData(ConversionJob& job, const SizesRead& sizesRead, StopRequest stop);

}  // namespace tesselar
