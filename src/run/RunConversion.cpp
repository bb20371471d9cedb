#include "run/RunConversion.h"

#include <cstdint>
#include <future>
#include <new>

#include "controls/shapefile/NumericText.h"
#include "conversion/ConversionError.h"
#include "conversion/PrintableText.h"
#include "crs/CrsIdentity.h"
#include "crs/ProjectionFile.h"
#include "readers/ReadFiles.h"
#include "run/MeshRun.h"
#include "run/RunSeries.h"
#include "writer/CreateShapeFiles.h"
#include "writer/WriteFlatGeobuf.h"
#include "writer/WriteGeoPackage.h"

namespace tesselar {

namespace {

std::string ShortenedValuesWarning(const ShortenedValues& shortened) {
    const bool one = shortened.count == 1;
    const std::string first = NumberText(shortened.first);
    return std::to_string(shortened.count) + (one ? " value" : " values") + " of attribute '" +
           shortened.column + "' did not fit its " + std::to_string(shortened.width) +
           "-character column and " + (one ? "was" : "were") + " rounded to fewer digits" +
           (one ? ": " + first : "; the first, " + first + ",") + " was written as " +
           shortened.firstText;
}

std::string CoordinateDigitsWarning(const ConversionJob& job, const ReadSummary& summary) {
    const std::string rounded = "coordinates keep the digits read: rounded to 2 decimals, " +
                                std::to_string(summary.changedShapes) + " of " +
                                std::to_string(summary.shapeCount);
    if (job.ShapeType == ShapeType::Polygon) {
        return rounded + (summary.shapeCount == 1 ? " cell" : " cells") +
               " would have changed their area by more than 1% or become invalid polygons";
    }
    return rounded + (summary.shapeCount == 1 ? " particle" : " particles") +
           " would have coincided with another";
}

std::string ZeroedValuesWarning(const ZeroedValues& zeroed, bool keepDigits) {
    const std::string why = keepDigits ? ", too small for a double" : " when rounded to 2 decimals";
    if (zeroed.count == 1) {
        return "1 value other than 0 became 0" + why + ": " + zeroed.first;
    }
    return std::to_string(zeroed.count) + " values other than 0 became 0" + why +
           "; the first is " + zeroed.first;
}

std::string NoNumberWarning(const NoNumberLines& lines) {
    if (lines.count == 1) {
        return "1 value line held no number and was read as 0: " + lines.first;
    }
    return std::to_string(lines.count) +
           " value lines held no number and were read as 0; the first is " + lines.first;
}

// A grid of one node along i or j has no cells; "SIZE_I" 1 counts no particles.
// What the output holds in messages about its contents.
const char* OutputContentsName(OutputFormat format) {
    switch (format) {
        case OutputFormat::GeoPackage:
            return "the GeoPackage layer";
        case OutputFormat::FlatGeobuf:
            return "the FlatGeobuf file";
        case OutputFormat::Mesh:
            return "the netCDF mesh";
        case OutputFormat::Shapefile:
            break;
    }
    return "the shapefile";
}

std::string NoShapesWarning(const ConversionJob& job, OutputFormat format) {
    const std::string empty = std::string(OutputContentsName(format)) + " holds no shapes: ";
    if (job.ShapeType == ShapeType::Polygon) {
        return empty + "a grid of " + std::to_string(job.IMax + 1) + " x " +
               std::to_string(job.JMax + 1) + " nodes has no cells";
    }
    return empty + "\"SIZE_I\" 1 counts no particles";
}

std::string RenamedColumnWarning(const DbfColumnName& column) {
    return "Attribute '" + column.name + "' is stored as column '" + column.stored + "'";
}

// The warnings of choosing the coordinate system. A GeoPackage, FlatGeobuf file or mesh has no
// .prj, so one without a coordinate system is said in its own terms: GIS programs cannot place
// it.
std::vector<std::string> ProjectionWarnings(const OutputProjection& projection,
                                            const std::string& path,
                                            const ConversionOptions& options) {
    if (options.format != OutputFormat::Shapefile && !projection.esriWkt && !options.crs) {
        return {std::string(OutputFormatName(options.format)) + " '" + path +
                "' has no coordinate system: give one with --crs EPSG:<code> (or a .prj or WKT "
                "file), or put a .prj beside the X axys file; --crs none says there is none"};
    }
    return projection.warnings;
}

// Refuses, as soon as the job's sizes are known, what the output format cannot hold.
void CheckOutputFits(const ConversionJob& job, const std::string& path,
                     const ConversionOptions& options) {
    if (options.format == OutputFormat::Mesh) {
        // Shared nodes and every step's values on them: only a mesh run writes that file.
        throw ConversionError("cannot write '" + PrintableText(path) +
                              "' as a single shape output: a netCDF mesh is written by a mesh run");
    }
    if (options.format == OutputFormat::GeoPackage) {
        CheckGeoPackageFits(path, options.layer, job, options.columns);
    } else if (options.format == OutputFormat::Shapefile) {
        CheckShapeFileFits(job, options.columns);
    }
}

// The identity of a GeoPackage's or FlatGeobuf file's coordinate system, which PROJ looks up in
// its database on a thread of its own while the input is read.
std::shared_future<std::optional<CrsIdentity>> IdentifyWhileReading(
    OutputFormat format, const std::optional<std::string>& wkt) {
    if (format == OutputFormat::Shapefile || !wkt || wkt->empty()) {
        return std::async(std::launch::deferred, [] { return std::optional<CrsIdentity>(); });
    }
    return std::async(std::launch::async,
                      [wkt = *wkt] { return std::optional<CrsIdentity>(IdentifyCrs(wkt)); });
}

WriteSummary WriteOutput(const std::string& path, const ConversionJob& job,
                         ConversionServices services, const ConversionOptions& options,
                         const std::string& projection,
                         const std::shared_future<std::optional<CrsIdentity>>& identity,
                         GeoPackageBegun& begun) {
    if (options.format == OutputFormat::Shapefile) {
        return WriteShapeFile(path, job, services, options.columns, projection);
    }
    const std::optional<CrsIdentity> crs = identity.get();
    if (options.format == OutputFormat::FlatGeobuf) {
        return WriteFlatGeobuf(path, job, services, options.columns, crs);
    }
    return WriteGeoPackage(path, options.layer, job, services, options.columns, crs, &begun);
}

// The warnings about what reading did to the values and the names their columns got, in the
// order every conversion gives them.
void AddReadWarnings(std::vector<std::string>& warnings, const ConversionJob& job,
                     const ReadSummary& read, const std::vector<DbfColumnName>& renamedColumns,
                     const ConversionOptions& options) {
    if (read.changedShapes > 0) {
        warnings.push_back(CoordinateDigitsWarning(job, read));
    }
    if (read.shapeCount == 0) {
        warnings.push_back(NoShapesWarning(job, options.format));
    }
    for (const DbfColumnName& column : renamedColumns) {
        warnings.push_back(RenamedColumnWarning(column));
    }
    if (read.noNumber.count > 0) {
        warnings.push_back(NoNumberWarning(read.noNumber));
    }
    if (read.zeroed.count > 0) {
        warnings.push_back(ZeroedValuesWarning(read.zeroed, options.keepDigits));
    }
}

// Runs `convert` on a new outcome and turns every failure into the outcome's result, so that
// neither program sees an exception from a conversion.
template <typename Convert>
ConversionOutcome CatchingFailures(Convert convert) {
    ConversionOutcome outcome;
    try {
        convert(outcome);
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

}  // namespace

ConversionOutcome RunConversion(ConversionJob& job, const std::string& shpPath,
                                ConversionServices services, const ConversionOptions& options) {
    return CatchingFailures([&](ConversionOutcome& outcome) {
        const OutputProjection projection =
            ChooseOutputProjection(options.crs, job.XAxysFile, services.stop);
        outcome.warnings = ProjectionWarnings(projection, shpPath, options);
        const std::shared_future<std::optional<CrsIdentity>> identity =
            IdentifyWhileReading(options.format, projection.esriWkt);
        GeoPackageBegun begun;
        const ReadSummary read =
            ReadInputData(job,
                          [&](const ConversionJob& sized) {
                              CheckOutputFits(sized, shpPath, options);
                              if (options.format == OutputFormat::GeoPackage) {
                                  begun = BeginGeoPackage(shpPath, options.layer, sized, services,
                                                          options.columns, identity);
                              }
                          },
                          services.stop, {options.keepDigits});
        services.display.SetPanelText(kStatusPanel, "Creating shape file...");
        const WriteSummary summary =
            WriteOutput(shpPath, job, services, options, projection.esriWkt.value_or(std::string()),
                        identity, begun);
        outcome.shpPath = summary.shpPath;
        outcome.addedToExisting = summary.addedToExisting;
        AddReadWarnings(outcome.warnings, job, read, summary.renamedColumns, options);
        for (const ShortenedValues& shortened : summary.shortenedValues) {
            outcome.warnings.push_back(ShortenedValuesWarning(shortened));
        }
    });
}

ConversionOutcome RunSeries(ConversionJob& job, const SeriesRequest& request,
                            ConversionServices services, const ConversionOptions& options) {
    return CatchingFailures([&](ConversionOutcome& outcome) {
        const OutputProjection projection =
            ChooseOutputProjection(options.crs, job.XAxysFile, services.stop);
        outcome.warnings = ProjectionWarnings(projection, request.shpPath, options);
        const SeriesSummary series = WriteSeries(job, request, services, options,
                                                 projection.esriWkt.value_or(std::string()));
        outcome.shpPath = series.shpPaths.front();
        outcome.lastShpPath = series.shpPaths.back();
        outcome.stepCount = series.shpPaths.size();
        outcome.addedToExisting = series.addedToExisting;
        AddReadWarnings(outcome.warnings, job, series.read, series.renamedColumns, options);
        for (std::size_t step = 0; step < series.shortenedValues.size(); ++step) {
            for (const ShortenedValues& shortened : series.shortenedValues[step]) {
                outcome.warnings.push_back("'" + PrintableText(series.shpPaths[step]) +
                                           "': " + ShortenedValuesWarning(shortened));
            }
        }
    });
}

ConversionOutcome RunMesh(ConversionJob& job, const MeshRequest& request,
                          ConversionServices services, const ConversionOptions& options) {
    return CatchingFailures([&](ConversionOutcome& outcome) {
        const OutputProjection projection =
            ChooseOutputProjection(options.crs, job.XAxysFile, services.stop);
        outcome.warnings = ProjectionWarnings(projection, request.path, options);
        const std::optional<CrsIdentity> crs =
            IdentifyCrsIfAny(projection.esriWkt.value_or(std::string()));
        const ReadSummary read = WriteMeshRun(job, request, services, options, crs);
        outcome.shpPath = request.path;
        AddReadWarnings(outcome.warnings, job, read, {}, options);
    });
}

}  // namespace tesselar
