#pragma once

#include <string>
#include <vector>

#include "controls/shapefile/OutputFiles.h"
#include "conversion/Clock.h"
#include "conversion/ConversionJob.h"
#include "conversion/StopRequest.h"
#include "writer/ProgressDisplay.h"

namespace tesselar {

// What a conversion needs besides the job: where progress shows, the clock it measures with,
// the file system the shape file goes to, and whether a signal asks it to stop.
struct ConversionServices {
    ProgressDisplay& display;
    const Clock& clock;
    OutputFileSystem& files;
    StopRequest stop = {};
};

// How a conversion ended, for the window or the command line to present.
struct ConversionOutcome {
    enum class Result { Succeeded, Failed, Interrupted, OutOfMemory };

    Result result = Result::Succeeded;
    // Failed, Interrupted: the complete message, naming the file concerned
    std::string failure;
    int stopSignal = 0;  // Interrupted: the signal that asked to stop
    // After success: the .shp written, its extension in the case the files were given.
    std::string shpPath;
    // After success: what the user should know, each a complete line without a final ".".
    std::vector<std::string> warnings;
};

// Runs one whole conversion: reads the job's input files into it (refusing a grid too large
// for one shape file before any value is read), shows "Creating shape file..." in the status
// panel, and writes the shape file to `shpPath`. Every failure is caught and returned, with
// the destination left as it was; so is a stop that `services.stop` requests before the
// shapefile is complete.
ConversionOutcome RunConversion(ConversionJob& job, const std::string& shpPath,
                                ConversionServices services);

}  // namespace tesselar
