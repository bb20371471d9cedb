#include "conversion/RunConversion.h"

#include <cstdint>
#include <new>

#include "conversion/ConversionError.h"
#include "conversion/RunSeries.h"
#include "crs/ProjectionFile.h"
#include "readers/PrintableText.h"
#include "readers/ReadFiles.h"
#include "writer/CreateShapeFiles.h"

namespace tesselar {

namespace {

std::string ShortenedValuesWarning(std::int64_t count) {
    return std::to_string(count) + (count == 1 ? " value" : " values") +
           " did not fit the 10-character column and " + (count == 1 ? "was" : "were") +
           " rounded to fewer digits";
}

std::string CoordinateDigitsWarning(const ConversionJob& job, const ReadSummary& summary) {
    const std::string rounded = "coordinates keep the digits read: rounded to 2 decimals, " +
                                std::to_string(summary.collapsedShapes) + " of " +
                                std::to_string(summary.shapeCount);
    if (job.ShapeType == ShapeType::Polygon) {
        return rounded + (summary.shapeCount == 1 ? " cell" : " cells") +
               " would have had zero area";
    }
    return rounded + (summary.shapeCount == 1 ? " particle" : " particles") +
           " would have coincided with another";
}

std::string ZeroedValuesWarning(const ZeroedValues& zeroed) {
    if (zeroed.count == 1) {
        return "1 value other than 0 became 0 when rounded to 2 decimals: " + zeroed.first;
    }
    return std::to_string(zeroed.count) +
           " values other than 0 became 0 when rounded to 2 decimals; the first is " + zeroed.first;
}

// A grid of one node along i or j has no cells; "SIZE_I" 1 counts no particles.
std::string NoShapesWarning(const ConversionJob& job) {
    if (job.ShapeType == ShapeType::Polygon) {
        return "the shapefile holds no shapes: a grid of " + std::to_string(job.IMax + 1) + " x " +
               std::to_string(job.JMax + 1) + " nodes has no cells";
    }
    return "the shapefile holds no shapes: \"SIZE_I\" 1 counts no particles";
}

std::string RenamedColumnWarning(const DbfColumnName& column) {
    return "Attribute '" + column.name + "' is stored as column '" + column.stored + "'";
}

}  // namespace

ConversionOutcome RunConversion(ConversionJob& job, const std::string& shpPath,
                                ConversionServices services, const ConversionOptions& options) {
    ConversionOutcome outcome;
    try {
        const OutputProjection projection =
            ChooseOutputProjection(options.crs, job.XAxysFile, services.stop);
        outcome.warnings = projection.warnings;
        const ReadSummary read = ReadInputData(
            job,
            [&options](const ConversionJob& sized) { CheckShapeFileFits(sized, options.columns); },
            services.stop, {options.keepDigits});
        if (read.collapsedShapes > 0) {
            outcome.warnings.push_back(CoordinateDigitsWarning(job, read));
        }
        services.display.SetPanelText(kStatusPanel, "Creating shape file...");
        const WriteSummary summary = WriteShapeFile(shpPath, job, services, options.columns,
                                                    projection.esriWkt.value_or(std::string()));
        outcome.shpPath = summary.shpPath;
        if (read.shapeCount == 0) {
            outcome.warnings.push_back(NoShapesWarning(job));
        }
        for (const DbfColumnName& column : summary.renamedColumns) {
            outcome.warnings.push_back(RenamedColumnWarning(column));
        }
        if (read.zeroed.count > 0) {
            outcome.warnings.push_back(ZeroedValuesWarning(read.zeroed));
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

ConversionOutcome RunSeries(ConversionJob& job, const SeriesRequest& request,
                            ConversionServices services, const ConversionOptions& options) {
    ConversionOutcome outcome;
    try {
        const OutputProjection projection =
            ChooseOutputProjection(options.crs, job.XAxysFile, services.stop);
        outcome.warnings = projection.warnings;
        const SeriesSummary series = WriteSeries(job, request, services, options,
                                                 projection.esriWkt.value_or(std::string()));
        outcome.shpPath = series.shpPaths.front();
        outcome.lastShpPath = series.shpPaths.back();
        outcome.stepCount = series.shpPaths.size();
        if (series.read.collapsedShapes > 0) {
            outcome.warnings.push_back(CoordinateDigitsWarning(job, series.read));
        }
        if (series.read.shapeCount == 0) {
            outcome.warnings.push_back(NoShapesWarning(job));
        }
        for (const DbfColumnName& column : series.renamedColumns) {
            outcome.warnings.push_back(RenamedColumnWarning(column));
        }
        if (series.read.zeroed.count > 0) {
            outcome.warnings.push_back(ZeroedValuesWarning(series.read.zeroed));
        }
        for (std::size_t step = 0; step < series.shpPaths.size(); ++step) {
            if (series.shortenedValues[step] > 0) {
                outcome.warnings.push_back("'" + PrintableText(series.shpPaths[step]) + "': " +
                                           ShortenedValuesWarning(series.shortenedValues[step]));
            }
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
