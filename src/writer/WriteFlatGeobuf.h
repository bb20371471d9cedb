#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "conversion/ConversionJob.h"
#include "crs/CrsIdentity.h"
#include "writer/CreateShapeFiles.h"
#include "writer/WriterOptions.h"

namespace tesselar {

// Writes the job's cells as polygons, or its particles as points, to the FlatGeobuf file at
// `path`: I and J (with `options.cellIndex`) as integer columns, one double column per
// attribute named as given, no-data values missing; `crs` for its coordinate system; with its
// spatial index. Replaces an earlier file as one step. Throws ConversionError, Interrupted when
// a signal asks to stop; the destination is then left as it was.
WriteSummary WriteFlatGeobuf(const std::string& path, const ConversionJob& job,
                             WriterServices services, const WriterOptions& options,
                             const std::optional<CrsIdentity>& crs);

class FlatGeobufFile;

// A model run's steps as one FlatGeobuf file, written as WriteFlatGeobuf writes a conversion's,
// with the columns `step` (an integer, from 1) and, with `options.timeColumn`, `time` (a
// date-time) first: one feature per cell (or particle) and step. A run of one step has the
// spatial index. Many steps are written step after step as they come, without one: the index
// would need the features of every step at once. Finish puts the file in place; destroyed
// before that, the writer leaves the destination as it was.
class FlatGeobufSteps {
public:
    FlatGeobufSteps(const std::string& path, const ConversionJob& job, std::size_t stepCount,
                    OutputFileSystem& files, const WriterOptions& options,
                    const std::optional<CrsIdentity>& crs);
    ~FlatGeobufSteps();
    FlatGeobufSteps(const FlatGeobufSteps&) = delete;
    FlatGeobufSteps& operator=(const FlatGeobufSteps&) = delete;

    // Writes the features of one step, with the job's values.
    void Write(const ConversionJob& job, WriterServices services, const StepRecord& step);
    WriteSummary Finish();

private:
    WriterOptions options_;
    std::size_t stepCount_;
    std::unique_ptr<FlatGeobufFile> file_;
};

}  // namespace tesselar
