#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "controls/shapefile/ShortenedValues.h"
#include "conversion/ConversionJob.h"
#include "readers/ReadFiles.h"
#include "readers/StepFiles.h"
#include "readers/StepTimes.h"
#include "run/RunConversion.h"

namespace tesselar {

// A model run converted in one go: the attribute files of every step, the steps' times, and
// the output path whose "{step}" or "{time}" names each step's shapefile.
struct SeriesRequest {
    StepFiles steps;
    std::vector<StepTime> times;  // one per step, or none
    std::string shpPath;
};

// What writing a run tells about it.
struct SeriesSummary {
    // Of the grid; `zeroed` and `noNumber` count the values of every step.
    ReadSummary read;
    std::vector<std::string> shpPaths;  // every step's .shp as written, in step order
    // Per step, per column, as WriteSummary counts them.
    std::vector<std::vector<ShortenedValues>> shortenedValues;
    std::vector<DbfColumnName> renamedColumns;  // the same for every step
    // A GeoPackage: the layer went into a GeoPackage that existed before.
    bool addedToExisting = false;
};

// Reads the grid once and writes every step: into one GeoPackage layer or FlatGeobuf file with
// the columns `step` and, with times, `time` (`shpPaths` then names that file once per step),
// or as one shapefile per step, each with its STEP and, with times, TIME column before the
// others, all in one column layout (with --fit-columns fitted over every
// step's values, read in a first pass that keeps none of them). Every step's attribute files
// are read to their "<BeginData>" line before any value is read, and the shapefiles are placed
// together once all are written: a failure or a stop in any step leaves the destination as it
// was; so does a GeoPackage layer, written in one transaction, and a FlatGeobuf file, moved
// into place once complete. Holds the values of one step at a time. Throws as RunConversion's parts
// do, and StepSeriesError for an output that cannot name the steps.
SeriesSummary WriteSeries(ConversionJob& job, const SeriesRequest& request,
                          ConversionServices services, const ConversionOptions& options,
                          const std::string& projection);

// Runs a whole model run as RunConversion runs one conversion: the coordinate system, then
// WriteSeries; every failure is caught and returned, with the warnings of all steps.
ConversionOutcome RunSeries(ConversionJob& job, const SeriesRequest& request,
                            ConversionServices services, const ConversionOptions& options);

}  // namespace tesselar
