#include "conversion/RunSeries.h"

#include <sys/resource.h>

#include "controls/shapefile/PendingShapefiles.h"
#include "controls/shapefile/ShapeFileNames.h"
#include "conversion/StepOutputNames.h"
#include "readers/StepValues.h"
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

void SetStepFiles(ConversionJob& job, const StepFiles& steps, std::size_t step) {
    for (std::size_t a = 0; a < steps.AttributeCount(); ++a) {
        job.AttribFiles.at(a + 1) = steps.File(a, step);
    }
}

// Reads the values of the attributes that change from step to step.
ZeroedValues ReadStep(ConversionJob& job, const StepFiles& steps, std::size_t step,
                      StopRequest stop, const ReadOptions& options) {
    SetStepFiles(job, steps, step);
    ZeroedValues zeroed;
    for (std::size_t a = 0; a < steps.AttributeCount(); ++a) {
        if (steps.Varies(a)) {
            zeroed.Add(ReadAttributeValues(job, static_cast<int>(a + 1), stop, options));
        }
    }
    return zeroed;
}

// Every step's files of the changing attributes, read to their "<BeginData>" line.
void CheckStepFileStarts(const ConversionJob& job, const StepFiles& steps, StopRequest stop) {
    const std::int64_t valueCount = std::int64_t{job.IMax} * job.JMax;
    for (std::size_t step = 0; step < steps.StepCount(); ++step) {
        for (std::size_t a = 0; a < steps.AttributeCount(); ++a) {
            if (steps.Varies(a)) {
                CheckAttributeFileStart(job.AttribNames.at(a + 1), steps.File(a, step), valueCount,
                                        stop);
            }
        }
    }
}

void IncludeValues(const ConversionJob& job, int k, const WriterOptions& options, ColumnFit& fit) {
    for (int i = 1; i <= job.IMax; ++i) {
        for (int j = 1; j <= job.JMax; ++j) {
            const double value = job.AttribValues.at(k, i, j);
            if (value != options.noData) {
                fit.Include(value);
            }
        }
    }
}

// The columns every step shares. Fitted columns take a first pass over every step's values,
// which leaves the job holding those of the last step.
std::vector<ColumnFormat> SharedFormats(ConversionJob& job, const StepFiles& steps,
                                        StopRequest stop, const ConversionOptions& options) {
    std::vector<ColumnFormat> formats;
    if (!options.columns.fitColumns) {
        for (int k = 1; k <= job.AttribCount; ++k) {
            formats.push_back(PlanColumn(job, k, options.columns));
        }
        return formats;
    }
    std::vector<ColumnFit> fits(static_cast<std::size_t>(job.AttribCount));
    for (std::size_t step = 0; step < steps.StepCount(); ++step) {
        if (step > 0) {
            ReadStep(job, steps, step, stop, {options.keepDigits});
        }
        for (int k = 1; k <= job.AttribCount; ++k) {
            const auto a = static_cast<std::size_t>(k - 1);
            if (step == 0 || steps.Varies(a)) {
                IncludeValues(job, k, options.columns, fits[a]);
            }
        }
    }
    for (const ColumnFit& fit : fits) {
        formats.push_back(fit.Format());
    }
    return formats;
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
    const ReadOptions readOptions{options.keepDigits};

    SetStepFiles(job, steps, 0);
    SeriesSummary summary;
    summary.read = ReadInputData(
        job,
        [&](const ConversionJob& sized) {
            CheckShapeFileFits(sized, columns);
            CheckStepFileStarts(sized, steps, services.stop);
        },
        services.stop, readOptions);
    const std::vector<ColumnFormat> formats = SharedFormats(job, steps, services.stop, options);
    // The first pass over more than one step leaves the last step's values in the job.
    const bool rereadFirst = options.columns.fitColumns && count > 1;

    PendingShapefiles pending(services.files, FolderOf(request.shpPath));
    for (std::size_t step = 0; step < count; ++step) {
        if (step > 0 || rereadFirst) {
            const ZeroedValues zeroed = ReadStep(job, steps, step, services.stop, readOptions);
            if (step > 0) {
                summary.read.zeroed.Add(zeroed);
            }
        }
        const std::optional<StepTime> time =
            timed ? std::optional<StepTime>(request.times.at(step)) : std::nullopt;
        const StepRecord record{static_cast<std::int64_t>(step + 1),
                                time ? IsoUtcText(*time) : std::string(), formats};
        services.display.SetStep(static_cast<int>(step + 1), static_cast<int>(count));
        const WriteSummary written =
            WriteStepShapeFile(StepShpPath(request.shpPath, step, count, time), job, services,
                               columns, projection, record, pending);
        summary.shpPaths.push_back(written.shpPath);
        summary.shortenedValues.push_back(written.shortenedValueCount);
        summary.renamedColumns = written.renamedColumns;
    }
    if (services.stop.Requested()) {
        throw Interrupted(services.stop.Signal(),
                          "writing the shapefiles of " + std::to_string(count) + " steps");
    }
    pending.PlaceAll();
    return summary;
}

}  // namespace tesselar
