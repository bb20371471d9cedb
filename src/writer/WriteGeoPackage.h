#pragma once

#include <optional>
#include <string>

#include "conversion/ConversionJob.h"
#include "crs/CrsIdentity.h"
#include "writer/CreateShapeFiles.h"
#include "writer/WriterOptions.h"

namespace tesselar {

// The layer a GeoPackage conversion writes: `layer`, or the file's name without its extension.
std::string GeoPackageLayerName(const std::string& path, const std::string& layer);

// Refuses, before any value is read, a layer the GeoPackage cannot take: a reserved name, or
// columns (fid, geom, I and J, the attributes) whose names SQLite takes for the same.
void CheckGeoPackageFits(const std::string& path, const std::string& layer,
                         const ConversionJob& job, const WriterOptions& options);

// Writes the job's cells as polygons, or its particles as points, into the GeoPackage at
// `path` as the feature table `layer`: fid, geom, I and J (with `options.cellIndex`) as
// integers, then one REAL column per attribute named as given, no-data values as NULL;
// `crs` for its coordinate system (none: undefined Cartesian). A new file, or the layer
// replaced in an existing GeoPackage (see GeoPackageLayer). Throws ConversionError, Interrupted
// when a signal asks to stop; the destination is then left as it was.
WriteSummary WriteGeoPackage(const std::string& path, const std::string& layer,
                             const ConversionJob& job, WriterServices services,
                             const WriterOptions& options, const std::optional<CrsIdentity>& crs);

}  // namespace tesselar
