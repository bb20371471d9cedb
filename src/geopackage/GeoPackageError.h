#pragma once

#include "conversion/ConversionError.h"

namespace tesselar {

// A GeoPackage could not be written: SQLite refused a step, the destination is no GeoPackage,
// or a layer cannot be replaced. The message names the file.
class GeoPackageError : public ConversionError {
public:
    using ConversionError::ConversionError;
};

}  // namespace tesselar
