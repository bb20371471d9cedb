#pragma once

#include <cstdint>
#include <functional>

#include "conversion/ConversionJob.h"
#include "conversion/StopRequest.h"
#include "readers/ZeroedValues.h"

namespace tesselar {

// Called once IMax and JMax are known, before any array is created or value read; it throws to
// refuse the sizes.
using SizesRead = std::function<void(const ConversionJob& job)>;

struct ReadOptions {
    // Every value, coordinates and attributes, keeps the digits read: the double nearest to its
    // text, not rounded to hundredths.
    bool keepDigits = false;
};

// What the reader tells about the values it stored.
struct ReadSummary {
    // Shapes (cells or particles) that rounding the coordinates to hundredths would have
    // changed: cells whose area would have changed by more than 1% or that would no longer be
    // valid polygons, particles put on another's place. When there are any, every coordinate
    // keeps the digits read instead.
    std::int64_t changedShapes = 0;
    std::int64_t shapeCount = 0;  // the cells or particles of the job
    // Values, coordinates and attribute values alike, other than 0 as written but stored as 0:
    // rounded to hundredths, or too small for a double.
    ZeroedValues zeroed;
    // Value lines, in every file, that held no number and were read as 0.
    NoNumberLines noNumber;
};

// Reads the job's X and Y axys files and attribute files into IMax, JMax, XCoords, YCoords and
// AttribValues, after ShapeType, XAxysFile, YAxysFile and the attributes are set. Each file is
// opened once and read in one pass, so pipes and FIFOs serve as well as regular files. Values
// are rounded to hundredths, apart from the cases that `options` and ReadSummary describe.
// Throws ConversionError: InputFileError (or OverflowError) naming the file, the line and what
// was wrong, or, before any file is read, for an attribute name that cannot be a column name;
// Interrupted once `stop` is requested.
ReadSummary ReadInputData(ConversionJob& job, const SizesRead& sizesRead, StopRequest stop,
                          const ReadOptions& options = {});

}  // namespace tesselar
