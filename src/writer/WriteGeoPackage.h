#pragma once

#include <future>
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

class GeoPackageLayer;

// A new GeoPackage begun while the input is read, once the grid's size is known: the file, its
// tables and what of its spatial index rests on the size alone are written meanwhile on a
// thread of their own (about a sixth of the conversion's time). Destroyed untaken, it waits for
// that thread and removes the file. Empty when nothing was begun.
class GeoPackageBegun {
public:
    GeoPackageBegun();
    explicit GeoPackageBegun(std::future<std::unique_ptr<GeoPackageLayer>> layer);
    GeoPackageBegun(GeoPackageBegun&&) noexcept;
    GeoPackageBegun& operator=(GeoPackageBegun&&) noexcept;
    ~GeoPackageBegun();

    // The GeoPackage begun, once its thread is done (what it threw, thrown); null when none.
    std::unique_ptr<GeoPackageLayer> Take();

private:
    std::future<std::unique_ptr<GeoPackageLayer>> layer_;
};

// Begins the GeoPackage of WriteGeoPackage for `sized`, a job whose sizes are read but not its
// values, when the GeoPackage is new and holds cells; particles (whose index waits for their
// points) and a layer of an existing GeoPackage are written by WriteGeoPackage alone. `crs` is
// waited for on the thread.
GeoPackageBegun BeginGeoPackage(const std::string& path, const std::string& layer,
                                const ConversionJob& sized, WriterServices services,
                                const WriterOptions& options,
                                std::shared_future<std::optional<CrsIdentity>> crs);

// Writes the job's cells as polygons, or its particles as points, into the GeoPackage at
// `path` as the feature table `layer`: fid, geom, I and J (with `options.cellIndex`) as
// integers, then one REAL column per attribute named as given, no-data values as NULL;
// `crs` for its coordinate system (none: undefined Cartesian). A new file, or the layer
// replaced in an existing GeoPackage (see GeoPackageLayer). Throws ConversionError, Interrupted
// when a signal asks to stop; the destination is then left as it was.
// `begun`, when given, is what BeginGeoPackage began for the job.
WriteSummary WriteGeoPackage(const std::string& path, const std::string& layer,
                             const ConversionJob& job, WriterServices services,
                             const WriterOptions& options, const std::optional<CrsIdentity>& crs,
                             GeoPackageBegun* begun = nullptr);

class GeoPackageLayer;

// A model run's steps as one layer of the GeoPackage at `path`, written as WriteGeoPackage
// writes a conversion's: `step` (INTEGER, from 1) first, then with `options.timeColumn` `time`
// (DATETIME) after the other integer columns, one feature per cell (or particle) and step.
// Every step goes into the one transaction or temporary file that Finish completes: destroyed
// before that, the writer leaves the destination as it was.
class GeoPackageSteps {
public:
    // `steps`: how many steps Write will add, each with every shape of `job`.
    GeoPackageSteps(const std::string& path, const std::string& layer, const ConversionJob& job,
                    std::size_t steps, OutputFileSystem& files, const WriterOptions& options,
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
