#include "run/RunSeries.h"

#include <sys/resource.h>

#include "controls/shapefile/PendingShapefiles.h"
#include "controls/shapefile/ShapeFileNames.h"
#include "conversion/PrintableText.h"
#include "crs/CrsIdentity.h"
#include "run/SeriesSteps.h"
#include "run/StepOutputNames.h"
#include "writer/ColumnPlan.h"
#include "writer/CreateShapeFiles.h"
#include "writer/WriteFlatGeobuf.h"
#include "writer/WriteGeoPackage.h"

namespace tesselar {

namespace {

// The run's columns: the conversion's, after the step's number and, with times, its time.
WriterOptions StepColumnsOf(const ConversionOptions& options, const SeriesRequest& request) {
    WriterOptions columns = options.columns;
    columns.stepColumn = true;
    columns.timeColumn = !request.times.empty();
    return columns;
}

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

std::optional<StepTime> TimeOf(const SeriesRequest& request, std::size_t step) {
    return request.times.empty() ? std::nullopt : std::optional<StepTime>(request.times.at(step));
}

StepRecord RecordOf(const SeriesRequest& request, std::size_t step) {
    const std::optional<StepTime> time = TimeOf(request, step);
    return StepRecord{
        static_cast<std::int64_t>(step + 1), time ? IsoUtcText(*time) : std::string(), {}};
}

// Every step into one GeoPackage layer or FlatGeobuf file.
template <typename Steps>
SeriesSummary WriteOneFile(SeriesSteps& series, const SeriesRequest& request,
                           ConversionServices services, ConversionJob& job, Steps& output) {
    const std::size_t count = series.Count();
    for (std::size_t step = 0; step < count; ++step) {
        series.Load(step);
        services.display.SetStep(static_cast<int>(step + 1), static_cast<int>(count));
        output.Write(job, services, RecordOf(request, step));
    }
    if (services.stop.Requested()) {
        throw Interrupted(services.stop.Signal(), "writing the " + std::to_string(count) +
                                                      " steps of '" +
                                                      PrintableText(request.shpPath) + "'");
    }
    SeriesSummary summary;
    const WriteSummary written = output.Finish();
    summary.shpPaths.assign(count, written.shpPath);
    summary.addedToExisting = written.addedToExisting;
    summary.read = series.Read();
    return summary;
}

SeriesSummary WriteGeoPackageSeries(ConversionJob& job, const SeriesRequest& request,
                                    ConversionServices services, const ConversionOptions& options,
                                    const std::optional<CrsIdentity>& crs) {
    const WriterOptions columns = StepColumnsOf(options, request);
    SeriesSteps series(job, request.steps, services.stop, options, [&](const ConversionJob& sized) {
        CheckGeoPackageFits(request.shpPath, options.layer, sized, columns);
    });
    GeoPackageSteps output(request.shpPath, options.layer, job, series.Count(), services.files,
                           columns, crs);
    return WriteOneFile(series, request, services, job, output);
}

SeriesSummary WriteFlatGeobufSeries(ConversionJob& job, const SeriesRequest& request,
                                    ConversionServices services, const ConversionOptions& options,
                                    const std::optional<CrsIdentity>& crs) {
    const WriterOptions columns = StepColumnsOf(options, request);
    SeriesSteps series(job, request.steps, services.stop, options, [](const ConversionJob&) {});
    FlatGeobufSteps output(request.shpPath, job, series.Count(), services.files, columns, crs);
    return WriteOneFile(series, request, services, job, output);
}

SeriesSummary WriteShapefileSets(ConversionJob& job, const SeriesRequest& request,
                                 ConversionServices services, const ConversionOptions& options,
                                 const std::string& projection) {
    const StepFiles& steps = request.steps;
    const std::size_t count = steps.StepCount();
    CheckOpenFileLimit(count);
    const WriterOptions columns = StepColumnsOf(options, request);
    SeriesSteps series(job, steps, services.stop, options,
                       [&](const ConversionJob& sized) { CheckShapeFileFits(sized, columns); });
    const std::vector<ColumnFormat> formats = series.SharedFormats();

    SeriesSummary summary;
    PendingShapefiles pending(services.files, FolderOf(request.shpPath));
    for (std::size_t step = 0; step < count; ++step) {
        series.Load(step);
        const std::optional<StepTime> time = TimeOf(request, step);
        StepRecord record = RecordOf(request, step);
        record.formats = formats;
        services.display.SetStep(static_cast<int>(step + 1), static_cast<int>(count));
        // Every step has the first step's shapes: its .shp and .shx are copied.
        const EarlierShapes earlier =
            step == 0
                ? EarlierShapes{}
                : EarlierShapes{&pending.HeldFile(summary.shpPaths.front()),
                                &pending.HeldFile(CompanionPath(summary.shpPaths.front(), "shx"))};
        const WriteSummary written =
            WriteStepShapeFile(StepShpPath(request.shpPath, step, count, time), job, services,
                               columns, projection, record, pending, earlier);
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

}  // namespace

SeriesSummary WriteSeries(ConversionJob& job, const SeriesRequest& request,
                          ConversionServices services, const ConversionOptions& options,
                          const std::string& projection) {
    CheckStepOutput(request.shpPath, request.steps.StepCount(), !request.times.empty());
    if (options.format == OutputFormat::Shapefile) {
        return WriteShapefileSets(job, request, services, options, projection);
    }
    const std::optional<CrsIdentity> crs = IdentifyCrsIfAny(projection);
    if (options.format == OutputFormat::GeoPackage) {
        return WriteGeoPackageSeries(job, request, services, options, crs);
    }
    return WriteFlatGeobufSeries(job, request, services, options, crs);
}

}  // namespace tesselar
