#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "controls/shapefile/DbfFieldNames.h"
#include "controls/shapefile/OutputFiles.h"
#include "controls/shapefile/ShortenedValues.h"
#include "conversion/Clock.h"
#include "conversion/ConversionJob.h"
#include "conversion/StopRequest.h"
#include "writer/ColumnPlan.h"
#include "writer/ProgressDisplay.h"
#include "writer/WriterOptions.h"

namespace tesselar {

class PendingShapefiles;

// What the writer needs besides the job: where progress shows, the clock it measures with, the
// file system the shape file goes to, and whether a signal asks it to stop.
struct WriterServices {
    ProgressDisplay& display;
    const Clock& clock;
    OutputFileSystem& files;
    StopRequest stop = {};
};

// What the writer tells about a shape file it has finished.
struct WriteSummary {
    // Per column, the attribute values that did not fit it and were rounded to fewer digits.
    std::vector<ShortenedValues> shortenedValues;
    // The .shp file written: the path asked for, its extension in the case written (the file
    // itself for other formats).
    std::string shpPath;
    // The columns whose names the .dbf stores shortened or made unique, in column order.
    std::vector<DbfColumnName> renamedColumns;
    // A GeoPackage: the layer went into a GeoPackage that existed before.
    bool addedToExisting = false;
};

// Writes the job's grid cells as polygons, or its particles as points, with one numeric column
// per attribute laid out as `options` say, to the .shp path given, and `projection` (ESRI WKT)
// as its .prj; an empty projection writes none and removes an earlier one. Changes nothing in
// the job. Throws ConversionError, Interrupted when a signal asks to stop before the files are
// complete; the destination is then left as it was.
WriteSummary WriteShapeFile(const std::string& shpPath, const ConversionJob& job,
                            WriterServices services, const WriterOptions& options = {},
                            const std::string& projection = {});

// What the shapefile of one step of a model run holds beyond the job's values.
struct StepRecord {
    std::int64_t step = 1;  // the STEP column's value, when the options ask for it
    std::string time;       // the TIME column's text, when the options ask for it
    // Attribute k's column in element k - 1: one layout for every step of the run.
    std::vector<ColumnFormat> formats;
};

// The .shp and .shx of an earlier step of the run, complete, whose shapes a later step shares.
struct EarlierShapes {
    const OutputFile* shp = nullptr;
    const OutputFile* shx = nullptr;
};

// Writes the shapefile of one step as WriteShapeFile does, with the step's columns and the
// run's column layout, and hands the complete files to `pending` instead of placing them. With
// `earlier`, its .shp and .shx are copies of those (where the file system can copy), and the
// writing makes only the table.
WriteSummary WriteStepShapeFile(const std::string& shpPath, const ConversionJob& job,
                                WriterServices services, const WriterOptions& options,
                                const std::string& projection, const StepRecord& step,
                                PendingShapefiles& pending, const EarlierShapes& earlier = {});

// Refuses a job whose shape file would pass the format's size limits; checked as soon as the
// reader knows the job's sizes, before it reads any value. Fitted columns count as wide as they
// can be (kMaxFittedWidth), so that no value is read for a shapefile that cannot be written.
void CheckShapeFileFits(const ConversionJob& job, const WriterOptions& options = {});

// The same for an attribute table of `fieldCount` columns whose widths add up to `fieldBytes`.
void CheckShapeFileFits(const ConversionJob& job, int fieldCount, std::int64_t fieldBytes);

}  // namespace tesselar
