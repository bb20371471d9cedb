#pragma once

#include <cstddef>
#include <future>
#include <vector>

#include "conversion/ConversionJob.h"
#include "conversion/StopRequest.h"
#include "readers/ReadFiles.h"
#include "readers/StepFiles.h"
#include "run/RunConversion.h"
#include "writer/ColumnPlan.h"

namespace tesselar {

// The steps of a model run, for any output format: the grid is read once, then the values of
// one step at a time into the job, so that memory does not grow with the count of steps.
// Attributes given as plain files are read once and kept for every step. While the job's step
// is written, the next step is read on a thread of its own into a second set of values, which
// Load then swaps in: memory holds the grid and two steps' values.
class SeriesSteps {
public:
    // Reads the grid and the first step's values. `sizesRead` is the output's check of the
    // job's sizes; after it, and before any value is read, every step's file of each pattern
    // is opened and read to its "<BeginData>" line. Throws as ReadInputData.
    SeriesSteps(ConversionJob& job, const StepFiles& steps, StopRequest stop,
                const ConversionOptions& options, const SizesRead& sizesRead);

    std::size_t Count() const { return steps_.StepCount(); }
    // The grid's summary; `zeroed` and `noNumber` count the values of every step loaded so far,
    // each once.
    const ReadSummary& Read() const { return read_; }

    // Attribute k's column in element k - 1, the same for every step: 10 characters with 5
    // decimals, or with --fit-columns what the values of all steps need, which takes a pass
    // over every step's values (held one step at a time).
    std::vector<ColumnFormat> SharedFormats();

    // Puts the values of step `step` (from 0) in the job.
    void Load(std::size_t step);

private:
    // Starts reading step `step` into `next_`.
    void ReadAhead(std::size_t step);

    ConversionJob& job_;
    const StepFiles& steps_;
    StopRequest stop_;
    const ConversionOptions& options_;
    ReadSummary read_;
    std::size_t loaded_ = 0;   // the step whose values the job holds
    std::size_t counted_ = 0;  // the last step whose zeroed values `read_` counts
    // The values of the step read ahead, with every attribute's slot; ended before them.
    ConversionJob next_;
    std::size_t nextStep_ = 0;
    std::future<ReadSummary> reading_;
};

}  // namespace tesselar
