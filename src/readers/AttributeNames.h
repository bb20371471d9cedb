#pragma once

#include "conversion/ConversionJob.h"

namespace tesselar {

// Refuses, before any file is read, an attribute name that cannot become a column name: one
// holding a control character (a tab, a line break, ESC: any byte below 0x20, or 0x7F), bytes
// that are not UTF-8 text (the encoding the shapefile's .cpg declares for its names), a
// character that breaks a line or does not show (C1 controls such as U+0085, U+2028, U+2029,
// format characters such as U+202E), or a blank (of any width) at its start or end.
// Throws ConversionError naming the attribute.
void CheckAttributeNames(const ConversionJob& job);

}  // namespace tesselar
