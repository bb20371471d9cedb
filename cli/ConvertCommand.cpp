#include "cli/ConvertCommand.h"

#include "cli/ConvertOptions.h"
#include "cli/LostOutput.h"
#include "cli/TerminalProgress.h"
#include "conversion/ConversionError.h"
#include "conversion/ConversionJob.h"
#include "conversion/PrintableText.h"
#include "conversion/Version.h"
#include "run/MeshRun.h"
#include "run/RunConversion.h"
#include "run/RunSeries.h"
#include "run/StepOutputNames.h"
#include "writer/WriteGeoPackage.h"

namespace tesselar {

namespace {

void FillJob(ConversionJob& job, const ConvertOptions& options) {
    job.ShapeType = options.shapeType;
    job.XAxysFile = options.xFile;
    job.YAxysFile = options.yFile;
    for (const auto& [name, file] : options.attributes) {
        AppendAttribute(job, name, PlainFileName(file));
    }
}

// A model run when a pattern gives the steps or times are given; none for a single conversion
// as before. Throws StepSeriesError for patterns or times that do not make steps.
std::optional<SeriesRequest> SeriesOf(const ConvertOptions& options) {
    StepFiles steps(options.attributes);
    if (!steps.HasPattern() && !options.timeStart && options.timesFile.empty()) {
        return std::nullopt;
    }
    const std::size_t count = steps.StepCount();
    std::vector<StepTime> times;
    if (!options.timesFile.empty()) {
        times = ReadTimesFile(options.timesFile, count);
    } else if (options.timeStart) {
        if (count > 1 && !options.timeStep) {
            throw StepSeriesError("the run has " + std::to_string(count) +
                                  " steps: give --time-step DURATION with --time, or --times");
        }
        times = RegularTimes(*options.timeStart, options.timeStep.value_or(std::chrono::seconds(1)),
                             count);
    }
    // A mesh holds every step in one file.
    if (options.conversion.format != OutputFormat::Mesh) {
        CheckStepOutput(options.shpPath, count, !times.empty());
    }
    return SeriesRequest{std::move(steps), std::move(times), options.shpPath};
}

// A mesh of every step, or of the one step of a single conversion.
MeshRequest MeshOf(const ConvertOptions& options, const std::optional<SeriesRequest>& series) {
    if (series) {
        return {series->steps, series->times, options.shpPath};
    }
    return {StepFiles(options.attributes), {}, options.shpPath};
}

// The success line: one file, a layer added to a GeoPackage, or the first and last shapefile
// of a run.
void ReportCreated(std::ostream& out, const ConvertOptions& options,
                   const ConversionOutcome& outcome) {
    const std::string steps =
        outcome.stepCount > 1 ? " with " + std::to_string(outcome.stepCount) + " steps" : "";
    if (outcome.stepCount > 1 && options.conversion.format == OutputFormat::Shapefile) {
        out << ShapeTypeText(options.shapeType) << " Shape Files '"
            << PrintableText(outcome.shpPath) << "' to '" << PrintableText(outcome.lastShpPath)
            << "' (" << outcome.stepCount << " steps) were created with success\n";
        return;
    }
    if (outcome.addedToExisting) {
        out << ShapeTypeText(options.shapeType) << " layer '"
            << PrintableText(GeoPackageLayerName(outcome.shpPath, options.conversion.layer)) << "'"
            << steps << " was written into GeoPackage '" << PrintableText(outcome.shpPath)
            << "' with success\n";
        return;
    }
    out << ShapeTypeText(options.shapeType) << ' ' << OutputFormatName(options.conversion.format)
        << " '" << PrintableText(outcome.shpPath) << "'" << steps << " was created with success\n";
}

int Convert(const ConvertOptions& options, CommandStreams streams, const Clock& clock,
            OutputFileSystem& files, StopRequest stop) {
    std::optional<SeriesRequest> series;
    try {
        series = SeriesOf(options);
    } catch (const StepSeriesError& error) {
        streams.err << kProgramName << ": " << error.what() << '\n';
        return kExitUsage;
    }

    const bool showProgress = streams.errIsTerminal && !options.quiet;
    TerminalProgress terminalProgress(streams.err, clock);
    NoProgress noProgress;
    ProgressDisplay& display =
        showProgress ? static_cast<ProgressDisplay&>(terminalProgress) : noProgress;

    ConversionJob job;
    FillJob(job, options);
    const ConversionServices services{display, clock, files, stop};
    const ConversionOutcome outcome =
        options.conversion.format == OutputFormat::Mesh
            ? RunMesh(job, MeshOf(options, series), services, options.conversion)
        : series ? RunSeries(job, *series, services, options.conversion)
                 : RunConversion(job, options.shpPath, services, options.conversion);
    switch (outcome.result) {
        case ConversionOutcome::Result::Succeeded:
            break;
        case ConversionOutcome::Result::Failed:
            terminalProgress.Finish(false);
            streams.err << kProgramName << ": " << outcome.failure << '\n';
            return kExitConversionFailed;
        case ConversionOutcome::Result::Interrupted:
            terminalProgress.Finish(false);
            streams.err << kProgramName << ": " << outcome.failure << '\n';
            return kSignalExitBase + outcome.stopSignal;
        case ConversionOutcome::Result::OutOfMemory:
            terminalProgress.Finish(false);
            streams.err << kProgramName << ": not enough memory to convert into '"
                        << PrintableText(options.shpPath) << "'\n";
            return kExitConversionFailed;
    }
    terminalProgress.Finish(true);
    if (!options.quiet) {
        ReportCreated(streams.out, options, outcome);
        WarnWhenOutputIsLost(streams.out, streams.err, kProgramName);
    }
    // A warning tells what the files hold: -q does not silence it.
    for (const std::string& warning : outcome.warnings) {
        streams.err << kProgramName << ": warning: " << warning << '\n';
    }
    return kExitSuccess;
}

}  // namespace

int RunConvertCommand(const std::vector<std::string>& arguments, CommandStreams streams,
                      const Clock& clock, OutputFileSystem& files, StopRequest stop) {
    ConvertOptions options;
    try {
        options = ParseConvertOptions(arguments, stop);
    } catch (const Interrupted& interruption) {
        streams.err << kProgramName << ": " << interruption.what() << '\n';
        return kSignalExitBase + interruption.Signal();
    } catch (const UsageError& error) {
        streams.err << kProgramName << ": " << error.what() << '\n'
                    << ConvertSynopsis() << "Try '" << kProgramName
                    << " --help' for more information.\n";
        return kExitUsage;
    }
    switch (options.action) {
        case ConvertOptions::Action::ShowHelp:
            streams.out << ConvertHelp();
            return kExitSuccess;
        case ConvertOptions::Action::ShowVersion:
            streams.out << kProgramName << ' ' << kVersionText << '\n';
            return kExitSuccess;
        case ConvertOptions::Action::Convert:
            break;
    }
    return Convert(options, streams, clock, files, stop);
}

}  // namespace tesselar
