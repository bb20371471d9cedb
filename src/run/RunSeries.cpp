#include "run/RunSeries.h"

#include <sys/resource.h>

#include "controls/shapefile/PendingShapefiles.h"
#include "controls/shapefile/ShapeFileNames.h"
#include "run/SeriesSteps.h"
#include "run/StepOutputNames.h"
#include "writer/ColumnPlan.h"
#include "writer/CreateShapeFiles.h"

namespace tesselar {

namespace {

// The files a held-back shapefile keeps open until placed: .shp, .shx, .dbf, .cpg and .prj.
constexpr rlim_t kOpenFilesPerStep = 5;
// Room for the input files, the folder lock and what the libraries open.
constexpr rlim_t kOpenFilesBesides = 64;

// Every step's shapefile stays open, without a name, until all are placed: the limit of open
// files is raised as far as the system lets this process, and a run beyond it refused before
// anything is read.
void CheckOpenFileLimit(std::size_t stepCount) {
    const rlim_t needed = kOpenFilesPerStep * stepCount + kOpenFilesBesides;
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= needed) {
        return;
    }
    if (limit.rlim_max == RLIM_INFINITY || limit.rlim_max >= needed) {
        limit.rlim_cur = needed;
        if (setrlimit(RLIMIT_NOFILE, &limit) == 0) {
            return;
        }
    }
    throw StepSeriesError(
        "a run of " + std::to_string(stepCount) + " steps keeps " + std::to_string(needed) +
        " files open until all its shapefiles are placed, but this process "
        "may open only " +
        std::to_string(limit.rlim_max == RLIM_INFINITY ? limit.rlim_cur : limit.rlim_max) +
        " (ulimit -n): convert fewer steps at a time");
}

}  // namespace

SeriesSummary WriteSeries(ConversionJob& job, const SeriesRequest& request,
                          ConversionServices services, const ConversionOptions& options,
                          const std::string& projection) {
    const StepFiles& steps = request.steps;
    const std::size_t count = steps.StepCount();
    const bool timed = !request.times.empty();
    CheckStepOutput(request.shpPath, count, timed);
    CheckOpenFileLimit(count);
    WriterOptions columns = options.columns;
    columns.stepColumn = true;
    columns.timeColumn = timed;
    SeriesSteps series(job, steps, services.stop, options,
                       [&](const ConversionJob& sized) { CheckShapeFileFits(sized, columns); });
    const std::vector<ColumnFormat> formats = series.SharedFormats();

    SeriesSummary summary;
    PendingShapefiles pending(services.files, FolderOf(request.shpPath));
    for (std::size_t step = 0; step < count; ++step) {
        series.Load(step);
        const std::optional<StepTime> time =
            timed ? std::optional<StepTime>(request.times.at(step)) : std::nullopt;
        const StepRecord record{static_cast<std::int64_t>(step + 1),
                                time ? IsoUtcText(*time) : std::string(), formats};
        services.display.SetStep(static_cast<int>(step + 1), static_cast<int>(count));
        const WriteSummary written =
            WriteStepShapeFile(StepShpPath(request.shpPath, step, count, time), job, services,
                               columns, projection, record, pending);
        summary.shpPaths.push_back(written.shpPath);
        summary.shortenedValues.push_back(written.shortenedValues);
        summary.renamedColumns = written.renamedColumns;
    }
    if (services.stop.Requested()) {
        throw Interrupted(services.stop.Signal(),
                          "writing the shapefiles of " + std::to_string(count) + " steps");
    }
    pending.PlaceAll();
    summary.read = series.Read();
    return summary;
}

}  // namespace tesselar
