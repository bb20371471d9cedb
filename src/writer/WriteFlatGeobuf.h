#pragma once

#include <optional>
#include <string>

#include "conversion/ConversionJob.h"
#include "crs/CrsIdentity.h"
#include "writer/CreateShapeFiles.h"
#include "writer/WriterOptions.h"

namespace tesselar {

// Writes the job's cells as polygons, or its particles as points, to the FlatGeobuf file at
// `path`: I and J (with `options.cellIndex`) as integer columns, one double column per
// attribute named as given, no-data values missing; `crs` for its coordinate system; with its
// spatial index. Replaces an earlier file as one step. Throws ConversionError, Interrupted when
// a signal asks to stop; the destination is then left as it was.
WriteSummary WriteFlatGeobuf(const std::string& path, const ConversionJob& job,
                             WriterServices services, const WriterOptions& options,
                             const std::optional<CrsIdentity>& crs);

}  // namespace tesselar
