#include "conversion/RunConversion.h"

#include <cstdint>
#include <new>

#include "conversion/ConversionError.h"
#include "readers/ReadFiles.h"
#include "writer/CreateShapeFiles.h"

namespace tesselar {

namespace {

std::string ShortenedValuesWarning(std::int64_t count) {
    return std::to_string(count) + (count == 1 ? " value" : " values") +
           " did not fit the 10-character column and " + (count == 1 ? "was" : "were") +
           " rounded to fewer digits";
}

}  // namespace

ConversionOutcome RunConversion(ConversionJob& job, const std::string& shpPath,
                                ConversionServices services) {
    ConversionOutcome outcome;
    try {
        ReadInputData(job, [](const ConversionJob& sized) { CheckShapeFileFits(sized); });
        services.display.SetPanelText(kStatusPanel, "Creating shape file...");
        const WriteSummary summary =
            WriteShapeFile(shpPath, job, {services.display, services.clock, services.files});
        outcome.shpPath = summary.shpPath;
        if (summary.shortenedValueCount > 0) {
            outcome.warnings.push_back(ShortenedValuesWarning(summary.shortenedValueCount));
        }
    } catch (const ConversionError& error) {
        outcome.result = ConversionOutcome::Result::Failed;
        outcome.failure = error.what();
    } catch (const std::bad_alloc&) {
        outcome.result = ConversionOutcome::Result::OutOfMemory;
    }
    return outcome;
}

}  // namespace tesselar
