#pragma once

#include <string>

#include "conversion/ConversionJob.h"
#include "conversion/StopRequest.h"
#include "readers/ReadFiles.h"
#include "readers/ZeroedValues.h"

namespace tesselar {

// Opens the attribute file `path` of attribute `name` and reads it to its "<BeginData>" line,
// reading no value, so that a run of many steps refuses a wrong file before it reads any
// value. `valueCount` is the values the file is to hold. Throws as ValueFile::StartValues.
void CheckAttributeFileStart(const std::string& name, const std::string& path,
                             std::int64_t valueCount, StopRequest stop);

// Reads the values of attribute `k` from the file in its slot into the job's AttribValues, as
// ReadInputData does, once the job's sizes and arrays are set. Adds the values stored as 0 and
// the lines without a number to `counts`.
void ReadAttributeValues(ConversionJob& job, int k, StopRequest stop, const ReadOptions& options,
                         ReadSummary& counts);

}  // namespace tesselar
