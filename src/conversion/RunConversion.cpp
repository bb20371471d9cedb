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

std::string ZeroedValuesWarning(const ZeroedValues& zeroed) {
    if (zeroed.count == 1) {
        return "1 value other than 0 became 0 when rounded to 2 decimals: " + zeroed.first;
    }
    return std::to_string(zeroed.count) +
           " values other than 0 became 0 when rounded to 2 decimals; the first is " + zeroed.first;
}

std::string RenamedColumnWarning(const DbfColumnName& column) {
    return "Attribute '" + column.name + "' is stored as column '" + column.stored + "'";
}

}  // namespace

ConversionOutcome RunConversion(ConversionJob& job, const std::string& shpPath,
                                ConversionServices services) {
    ConversionOutcome outcome;
    try {
        const ZeroedValues zeroed = ReadInputData(
            job, [](const ConversionJob& sized) { CheckShapeFileFits(sized); }, services.stop);
        services.display.SetPanelText(kStatusPanel, "Creating shape file...");
        const WriteSummary summary = WriteShapeFile(
            shpPath, job, {services.display, services.clock, services.files, services.stop});
        outcome.shpPath = summary.shpPath;
        for (const DbfColumnName& column : summary.renamedColumns) {
            outcome.warnings.push_back(RenamedColumnWarning(column));
        }
        if (zeroed.count > 0) {
            outcome.warnings.push_back(ZeroedValuesWarning(zeroed));
        }
        if (summary.shortenedValueCount > 0) {
            outcome.warnings.push_back(ShortenedValuesWarning(summary.shortenedValueCount));
        }
    } catch (const Interrupted& interruption) {
        outcome.result = ConversionOutcome::Result::Interrupted;
        outcome.failure = interruption.what();
        outcome.stopSignal = interruption.Signal();
    } catch (const ConversionError& error) {
        outcome.result = ConversionOutcome::Result::Failed;
        outcome.failure = error.what();
    } catch (const std::bad_alloc&) {
        outcome.result = ConversionOutcome::Result::OutOfMemory;
    }
    return outcome;
}

}  // namespace tesselar
