#pragma once

#include "conversion/ConversionError.h"

namespace tesselar {

// A shape file could not be written: a refused call, a value or vertex the format cannot hold,
// a size beyond the format's limits or a failing file operation.
class ShapeFileError : public ConversionError {
public:
    using ConversionError::ConversionError;
};

}  // namespace tesselar
