#pragma once

#include "conversion/ConversionError.h"

namespace tesselar {

// A coordinate system that cannot be used for the shapefile's .prj. The message names what was
// given (the text or the file) and what PROJ or the system said about it.
class CoordinateSystemError : public ConversionError {
public:
    using ConversionError::ConversionError;
};

}  // namespace tesselar
