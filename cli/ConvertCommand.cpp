#include "cli/ConvertCommand.h"

#include <new>

#include "cli/ConvertOptions.h"
#include "cli/TerminalProgress.h"
#include "conversion/ConversionError.h"
#include "conversion/ConversionJob.h"
#include "conversion/Version.h"
#include "readers/ReadFiles.h"
#include "writer/CreateShapeFiles.h"

namespace tesselar {

namespace {

constexpr const char* kProgramName = "tesselar-convert";

void FillJob(ConversionJob& job, const ConvertOptions& options) {
    job.ShapeType = options.shapeType;
    job.XAxysFile = options.xFile;
    job.YAxysFile = options.yFile;
    for (const auto& [name, file] : options.attributes) {
        AppendAttribute(job, name, file);
    }
    job.ShapeFolder = options.shapeFolder;
    job.ShapeFileName = options.shapeFileName;
}

int Convert(const ConvertOptions& options, CommandStreams streams, const Clock& clock,
            OutputFileSystem& files) {
    const bool showProgress = streams.errIsTerminal && !options.quiet;
    TerminalProgress terminalProgress(streams.err);
    NoProgress noProgress;
    ProgressDisplay& display =
        showProgress ? static_cast<ProgressDisplay&>(terminalProgress) : noProgress;

    std::string failure;
    try {
        ConversionJob job;
        FillJob(job, options);
        ReadInputData(job);
        const WriteSummary summary =
            WriteShapeFileAt(options.shpPath, job, WriterServices{display, clock, files});
        terminalProgress.Finish(true);
        if (!options.quiet) {
            streams.out << options.shapeType << " Shape File '" << summary.shpPath
                        << "' was created with success\n";
            if (const auto count = summary.shortenedValueCount; count > 0) {
                streams.err << kProgramName << ": warning: " << count
                            << (count == 1 ? " value" : " values")
                            << " did not fit the 10-character column and "
                            << (count == 1 ? "was" : "were") << " rounded to fewer digits\n";
            }
        }
        return kExitSuccess;
    } catch (const ConversionError& error) {
        failure = error.what();
    } catch (const std::bad_alloc&) {
        failure = "not enough memory to convert into '" + options.shpPath + "'";
    }
    terminalProgress.Finish(false);
    streams.err << kProgramName << ": " << failure << '\n';
    return kExitConversionFailed;
}

}  // namespace

int RunConvertCommand(const std::vector<std::string>& arguments, CommandStreams streams,
                      const Clock& clock, OutputFileSystem& files) {
    ConvertOptions options;
    try {
        options = ParseConvertOptions(arguments);
    } catch (const UsageError& error) {
        streams.err << kProgramName << ": " << error.what() << '\n'
                    << kConvertSynopsis << "Try '" << kProgramName
                    << " --help' for more information.\n";
        return kExitUsage;
    }
    switch (options.action) {
        case ConvertOptions::Action::ShowHelp:
            streams.out << kConvertSynopsis << '\n' << kConvertOptionsHelp;
            return kExitSuccess;
        case ConvertOptions::Action::ShowVersion:
            streams.out << kProgramName << ' ' << kVersionText << '\n';
            return kExitSuccess;
        case ConvertOptions::Action::Convert:
            break;
    }
    return Convert(options, streams, clock, files);
}

}  // namespace tesselar
