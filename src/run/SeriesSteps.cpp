#include "run/SeriesSteps.h"

#include <functional>
#include <utility>

#include "readers/StepValues.h"

namespace tesselar {

namespace {

void SetStepFiles(ConversionJob& job, const StepFiles& steps, std::size_t step) {
    for (std::size_t a = 0; a < steps.AttributeCount(); ++a) {
        job.AttribFiles.at(a + 1) = steps.File(a, step);
    }
}

// Every step's files of the changing attributes, read to their "<BeginData>" line.
void CheckStepFileStarts(const ConversionJob& job, const StepFiles& steps, StopRequest stop) {
    const std::int64_t valueCount = std::int64_t{job.IMax} * job.JMax;
    for (std::size_t step = 0; step < steps.StepCount(); ++step) {
        for (std::size_t a = 0; a < steps.AttributeCount(); ++a) {
            if (steps.Varies(a)) {
                CheckAttributeFileStart(job.AttribNames.at(a + 1), steps.File(a, step), valueCount,
                                        stop);
            }
        }
    }
}

// The values of the attributes that change, from the files in the job's slots.
ReadSummary ReadVaryingValues(ConversionJob& job, const StepFiles& steps, StopRequest stop,
                              bool keepDigits) {
    ReadSummary counts;
    for (std::size_t a = 0; a < steps.AttributeCount(); ++a) {
        if (steps.Varies(a)) {
            ReadAttributeValues(job, static_cast<int>(a + 1), stop, {keepDigits}, counts);
        }
    }
    return counts;
}

// A second job that takes a step's values as `job` does: the same sizes and attributes, and the
// values of those that do not change.
void PrepareSecondValues(const ConversionJob& job, const StepFiles& steps, ConversionJob& next) {
    next.IMax = job.IMax;
    next.JMax = job.JMax;
    next.ShapeType = job.ShapeType;
    next.AttribCount = job.AttribCount;
    next.AttribNames = job.AttribNames;
    next.AttribFiles = job.AttribFiles;
    next.AttribValues = Array3D(job.AttribCount, job.IMax, job.JMax, "AttribValues");
    for (std::size_t a = 0; a < steps.AttributeCount(); ++a) {
        if (!steps.Varies(a)) {
            const int k = static_cast<int>(a + 1);
            for (int i = 1; i <= job.IMax; ++i) {
                for (int j = 1; j <= job.JMax; ++j) {
                    next.AttribValues.at(k, i, j) = job.AttribValues.at(k, i, j);
                }
            }
        }
    }
}

void IncludeValues(const ConversionJob& job, int k, const WriterOptions& options, ColumnFit& fit) {
    for (int i = 1; i <= job.IMax; ++i) {
        for (int j = 1; j <= job.JMax; ++j) {
            const double value = job.AttribValues.at(k, i, j);
            if (value != options.noData) {
                fit.Include(value);
            }
        }
    }
}

}  // namespace

SeriesSteps::SeriesSteps(ConversionJob& job, const StepFiles& steps, StopRequest stop,
                         const ConversionOptions& options, const SizesRead& sizesRead)
    : job_(job), steps_(steps), stop_(stop), options_(options) {
    SetStepFiles(job, steps, 0);
    read_ = ReadInputData(job,
                          [&](const ConversionJob& sized) {
                              sizesRead(sized);
                              CheckStepFileStarts(sized, steps, stop);
                          },
                          stop, {options.keepDigits});
    if (Count() > 1) {
        PrepareSecondValues(job, steps, next_);
        ReadAhead(1);
    }
}

void SeriesSteps::ReadAhead(std::size_t step) {
    SetStepFiles(next_, steps_, step);
    nextStep_ = step;
    reading_ = std::async(std::launch::async, ReadVaryingValues, std::ref(next_), std::cref(steps_),
                          stop_, options_.keepDigits);
}

std::vector<ColumnFormat> SeriesSteps::SharedFormats() {
    std::vector<ColumnFormat> formats;
    if (!options_.columns.fitColumns) {
        for (int k = 1; k <= job_.AttribCount; ++k) {
            formats.push_back(PlanColumn(job_, k, options_.columns));
        }
        return formats;
    }
    std::vector<ColumnFit> fits(static_cast<std::size_t>(job_.AttribCount));
    for (std::size_t step = 0; step < Count(); ++step) {
        Load(step);
        for (int k = 1; k <= job_.AttribCount; ++k) {
            const auto a = static_cast<std::size_t>(k - 1);
            if (step == 0 || steps_.Varies(a)) {
                IncludeValues(job_, k, options_.columns, fits[a]);
            }
        }
    }
    for (const ColumnFit& fit : fits) {
        formats.push_back(fit.Format());
    }
    // The writing starts again from the first step.
    if (Count() > 1) {
        reading_ = {};
        ReadAhead(0);
    }
    return formats;
}

void SeriesSteps::Load(std::size_t step) {
    if (step == loaded_) {
        return;
    }
    SetStepFiles(job_, steps_, step);
    ReadSummary counts;
    if (reading_.valid() && nextStep_ == step) {
        counts = reading_.get();
        std::swap(job_.AttribValues, next_.AttribValues);
    } else {
        reading_ = {};
        counts = ReadVaryingValues(job_, steps_, stop_, options_.keepDigits);
    }
    loaded_ = step;
    if (step > counted_) {
        read_.zeroed.Add(counts.zeroed);
        read_.noNumber.Add(counts.noNumber);
        counted_ = step;
    }
    if (step + 1 < Count()) {
        ReadAhead(step + 1);
    }
}

}  // namespace tesselar
