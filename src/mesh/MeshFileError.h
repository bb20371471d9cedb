#pragma once

#include "conversion/ConversionError.h"

namespace tesselar {

// A netCDF mesh file could not be written: the netCDF library refused a call, or a file
// operation failed. The message names the file and what the library or the system said.
class MeshFileError : public ConversionError {
public:
    using ConversionError::ConversionError;
};

}  // namespace tesselar
