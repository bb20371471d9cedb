#include "conversion/RunConversion.h"

#include <cstdint>
#include <new>

#include "conversion/ConversionError.h"
#include "crs/CrsIdentity.h"
#include "crs/ProjectionFile.h"
#include "readers/ReadFiles.h"
#include "writer/CreateShapeFiles.h"
#include "writer/WriteFlatGeobuf.h"
#include "writer/WriteGeoPackage.h"

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

std::string RenamedColumnWarning(const DbfColumnName& column) {
    return "Attribute '" + column.name + "' is stored as column '" + column.stored + "'";
}

// A GeoPackage or FlatGeobuf file without a coordinate system: GIS programs cannot place it.
std::string NoCoordinateSystemWarning(const std::string& path, OutputFormat format) {
    return std::string(OutputFormatName(format)) + " '" + path +
           "' has no coordinate system: give one with --crs EPSG:<code> (or a .prj or WKT "
           "file), or put a .prj beside the X axys file; --crs none says there is none";
}

// Refuses, as soon as the job's sizes are known, what the output format cannot hold.
void CheckOutputFits(const ConversionJob& job, const std::string& path,
                     const ConversionOptions& options) {
    if (options.format == OutputFormat::GeoPackage) {
        CheckGeoPackageFits(path, options.layer, job, options.columns);
    } else if (options.format == OutputFormat::Shapefile) {
        CheckShapeFileFits(job, options.columns);
    }
}

WriteSummary WriteOutput(const std::string& path, const ConversionJob& job,
                         ConversionServices services, const ConversionOptions& options,
                         const std::string& projection) {
    if (options.format == OutputFormat::Shapefile) {
        return WriteShapeFile(path, job, services, options.columns, projection);
    }
    const std::optional<CrsIdentity> crs =
        projection.empty() ? std::nullopt : std::optional<CrsIdentity>(IdentifyCrs(projection));
    if (options.format == OutputFormat::FlatGeobuf) {
        return WriteFlatGeobuf(path, job, services, options.columns, crs);
    }
    return WriteGeoPackage(path, options.layer, job, services, options.columns, crs);
}

}  // namespace

ConversionOutcome RunConversion(ConversionJob& job, const std::string& shpPath,
                                ConversionServices services, const ConversionOptions& options) {
    ConversionOutcome outcome;
    try {
        const std::string projection =
            OutputProjection(options.crs, job.XAxysFile).value_or(std::string());
        const ReadSummary read = ReadInputData(
            job, [&](const ConversionJob& sized) { CheckOutputFits(sized, shpPath, options); },
            services.stop, {options.keepDigits});
        if (read.collapsedShapes > 0) {
            outcome.warnings.push_back(CoordinateDigitsWarning(job, read));
        }
        services.display.SetPanelText(kStatusPanel, "Creating shape file...");
        const WriteSummary summary = WriteOutput(shpPath, job, services, options, projection);
        outcome.shpPath = summary.shpPath;
        outcome.addedToExisting = summary.addedToExisting;
        if (options.format != OutputFormat::Shapefile && projection.empty() && !options.crs) {
            outcome.warnings.push_back(NoCoordinateSystemWarning(shpPath, options.format));
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

}  // namespace tesselar
