#pragma once

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "conversion/ConversionJob.h"
#include "conversion/StopRequest.h"
#include "readers/StepTimes.h"
#include "run/RunConversion.h"

namespace tesselar {

// The name the command's messages, synopsis and help begin with.
inline constexpr const char* kProgramName = "tesselar-convert";

// The command line could not be understood; the message says why, in one line.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct ConvertOptions {
    enum class Action { Convert, ShowHelp, ShowVersion };

    Action action = Action::Convert;
    std::string xFile;
    std::string yFile;
    std::vector<std::pair<std::string, std::string>> attributes;  // name, file; in column order
    std::string shpPath;  // the output path: ending in ".shp" for a shape file
    // Its folder ("." when it names none) and its name without the extension, as the window
    // takes them; the command itself writes to shpPath.
    std::string shapeFolder;
    std::string shapeFileName;
    ShapeType shapeType = ShapeType::Polygon;
    bool quiet = false;
    // --crs, --keep-digits, --fit-columns, --nodata (rounded as the values are), --cell-index,
    // --layer and the output format.
    ConversionOptions conversion;
    // A model run's times: --time with --time-step, or --times (read once the steps are known).
    std::optional<StepTime> timeStart;
    std::optional<std::chrono::seconds> timeStep;
    std::string timesFile;
};

// Reads the arguments (without the program name), and the coordinate system of --crs. Throws
// UsageError, also for a coordinate system that PROJ cannot read, and Interrupted when `stop`
// ends a wait for the --crs FIFO's writer or data.
ConvertOptions ParseConvertOptions(const std::vector<std::string>& arguments,
                                   StopRequest stop = {});

// The synopsis line, "Usage: tesselar-convert ...\n".
std::string ConvertSynopsis();

// What --help shows: the synopsis, what the command does and every option.
std::string ConvertHelp();

}  // namespace tesselar
