#pragma once

#include <cstdint>
#include <string>

#include "controls/shapefile/OutputFiles.h"
#include "conversion/Clock.h"
#include "conversion/ConversionJob.h"
#include "writer/ProgressDisplay.h"

namespace tesselar {

// What the writer needs besides the job: where progress shows, the clock it measures with, and
// the file system the shape file goes to.
struct WriterServices {
    ProgressDisplay& display;
    const Clock& clock;
    OutputFileSystem& files;
};

// What the writer tells about a shape file it has finished.
struct WriteSummary {
    // Attribute values that did not fit their column without being rounded to fewer digits.
    std::int64_t shortenedValueCount = 0;
    // The .shp file written: the path asked for, its extension in the case written.
    std::string shpPath;
};

// ShapeFolder, the path separator, ShapeFileName and ".shp", joined as they stand.
std::string ShapeFilePath(const ConversionJob& job);

// Writes the job's grid cells as polygons, or its particles as points, with one numeric column
// per attribute, to ShapeFilePath(job). Changes nothing in the job. Throws ConversionError;
// the destination is then left as it was.
WriteSummary WriteShapeFile(const ConversionJob& job, WriterServices services);

// The same, to the .shp path given.
WriteSummary WriteShapeFileAt(const std::string& shpPath, const ConversionJob& job,
                              WriterServices services);

// Refuses a job whose shape file would pass the format's size limits; the reader calls it as
// soon as the job's sizes are known, before it reads any value.
void CheckShapeFileFits(const ConversionJob& job);

}  // namespace tesselar
