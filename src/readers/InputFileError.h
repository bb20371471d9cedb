#pragma once

#include "conversion/ConversionError.h"

namespace tesselar {

// An input file could not be read as a grid or attribute file. The message names the file by
// its role ("X axys file 'x.dat'", "Attribute 'Temperature' file 't.dat'"), the line where one
// applies, and what was wrong.
class InputFileError : public ConversionError {
public:
    using ConversionError::ConversionError;
};

}  // namespace tesselar
