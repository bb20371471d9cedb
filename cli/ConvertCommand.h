#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "controls/shapefile/OutputFiles.h"
#include "conversion/Clock.h"
#include "conversion/StopRequest.h"
#include "conversion/StopSignals.h"

namespace tesselar {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitConversionFailed = 1;
inline constexpr int kExitUsage = 2;

// Where the command writes: its results to `out`, progress, warnings and errors to `err`.
struct CommandStreams {
    std::ostream& out;
    std::ostream& err;
    bool errIsTerminal;  // progress is drawn only on a terminal
};

// tesselar-convert: reads the grid or particle files and the attribute files named by the
// arguments (without the program name) and writes one shape file, as the window does, unless
// `stop` is requested before the shape file is complete. Returns the exit code: kExitSuccess,
// kExitConversionFailed, kExitUsage, or kSignalExitBase plus the signal that stopped it.
int RunConvertCommand(const std::vector<std::string>& arguments, CommandStreams streams,
                      const Clock& clock, OutputFileSystem& files, StopRequest stop);

}  // namespace tesselar
