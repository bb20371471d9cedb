#include "cli/ConvertCommand.h"

#include "cli/ConvertOptions.h"
#include "cli/LostOutput.h"
#include "cli/TerminalProgress.h"
#include "conversion/ConversionError.h"
#include "conversion/ConversionJob.h"
#include "conversion/PrintableText.h"
#include "conversion/Version.h"
#include "run/RunConversion.h"
#include "writer/WriteGeoPackage.h"

namespace tesselar {

namespace {

void FillJob(ConversionJob& job, const ConvertOptions& options) {
    job.ShapeType = options.shapeType;
    job.XAxysFile = options.xFile;
    job.YAxysFile = options.yFile;
    for (const auto& [name, file] : options.attributes) {
        AppendAttribute(job, name, file);
    }
}

int Convert(const ConvertOptions& options, CommandStreams streams, const Clock& clock,
            OutputFileSystem& files, StopRequest stop) {
    const bool showProgress = streams.errIsTerminal && !options.quiet;
    TerminalProgress terminalProgress(streams.err);
    NoProgress noProgress;
    ProgressDisplay& display =
        showProgress ? static_cast<ProgressDisplay&>(terminalProgress) : noProgress;

    ConversionJob job;
    FillJob(job, options);
    const ConversionOutcome outcome =
        RunConversion(job, options.shpPath, {display, clock, files, stop}, options.conversion);
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
        if (outcome.addedToExisting) {
            streams.out << ShapeTypeText(options.shapeType) << " layer '"
                        << PrintableText(
                               GeoPackageLayerName(outcome.shpPath, options.conversion.layer))
                        << "' was written into GeoPackage '" << PrintableText(outcome.shpPath)
                        << "' with success\n";
        } else {
            streams.out << ShapeTypeText(options.shapeType) << ' '
                        << OutputFormatName(options.conversion.format) << " '"
                        << PrintableText(outcome.shpPath) << "' was created with success\n";
        }
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
