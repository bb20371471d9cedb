#pragma once

#include "conversion/ConversionJob.h"

namespace tesselar {

// Refuses, before any file is read, an attribute name that cannot become a column name: one
// holding a control character (a tab, a line break, ESC: any byte below 0x20, or 0x7F) or
// bytes that are not UTF-8 text, the encoding the shapefile's .cpg declares for its names.
// Throws ConversionError naming the attribute.
void CheckAttributeNames(const ConversionJob& job);

}  // namespace tesselar
