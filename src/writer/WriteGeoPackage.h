#pragma once

#include <memory>
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

class GeoPackageLayer;

// A model run's steps as one layer of the GeoPackage at `path`, written as WriteGeoPackage
// writes a conversion's: `step` (INTEGER, from 1) first, then with `options.timeColumn` `time`
// (DATETIME) after the other integer columns, one feature per cell (or particle) and step.
// Every step goes into the one transaction or temporary file that Finish completes: destroyed
// before that, the writer leaves the destination as it was.
class GeoPackageSteps {
public:
    GeoPackageSteps(const std::string& path, const std::string& layer, const ConversionJob& job,
                    OutputFileSystem& files, const WriterOptions& options,
                    const std::optional<CrsIdentity>& crs);
    ~GeoPackageSteps();
    GeoPackageSteps(const GeoPackageSteps&) = delete;
    GeoPackageSteps& operator=(const GeoPackageSteps&) = delete;

    // Adds the features of one step, with the job's values.
    void Write(const ConversionJob& job, WriterServices services, const StepRecord& step);
    WriteSummary Finish();

private:
    std::string path_;
    WriterOptions options_;
    std::unique_ptr<GeoPackageLayer> layer_;
};

}  // namespace tesselar
