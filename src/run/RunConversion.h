#pragma once

#include <optional>
#include <string>
#include <vector>

#include "conversion/ConversionJob.h"
#include "crs/ProjectionFile.h"
#include "writer/CreateShapeFiles.h"
#include "writer/OutputFormat.h"
#include "writer/WriterOptions.h"

namespace tesselar {

// What a conversion needs besides the job is what the writer needs: where progress shows, the
// clock, the file system and whether a signal asks it to stop (the reader only reads the last).
using ConversionServices = WriterServices;

// What a conversion is asked for beyond the job; the defaults convert as the window does.
struct ConversionOptions {
    // Every value keeps the digits read instead of being rounded to hundredths.
    bool keepDigits = false;
    // The coordinate system of the .prj, read (ReadCoordinateSystemOption), or none for no
    // .prj. Without it, the .prj beside the X axys file, if any (ChooseOutputProjection).
    std::optional<GivenCoordinateSystem> crs;
    // The layout of the attribute table.
    WriterOptions columns;
    // The kind of file written, and a GeoPackage's layer (empty: the file's name without its
    // extension).
    OutputFormat format = OutputFormat::Shapefile;
    std::string layer;
};

// How a conversion ended, for the window or the command line to present.
struct ConversionOutcome {
    enum class Result { Succeeded, Failed, Interrupted, OutOfMemory };

    Result result = Result::Succeeded;
    // Failed, Interrupted: the complete message, naming the file concerned
    std::string failure;
    int stopSignal = 0;  // Interrupted: the signal that asked to stop
    // After success: the .shp written, its extension in the case the files were given (the
    // file itself for other formats).
    std::string shpPath;
    // After success: a GeoPackage that existed before got the layer.
    bool addedToExisting = false;
    // After a run of several steps: the last step's .shp, and the count of steps written.
    std::string lastShpPath;
    std::size_t stepCount = 1;
    // After success: what the user should know, each a complete line without a final ".".
    std::vector<std::string> warnings;
};

// Runs one whole conversion: finds the coordinate system (refusing one PROJ cannot read before
// any input is read), reads the job's input files into it (refusing a grid too large for one
// shape file before any value is read), shows "Creating shape file..." in the status panel,
// and writes the shape file to `shpPath` as `options` say. Every failure is caught and
// returned, with the destination left as it was; so is a stop that `services.stop` requests
// before the shapefile is complete.
ConversionOutcome RunConversion(ConversionJob& job, const std::string& shpPath,
                                ConversionServices services, const ConversionOptions& options = {});

}  // namespace tesselar
