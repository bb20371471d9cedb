#include "run/SeriesSteps.h"

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
    return formats;
}

void SeriesSteps::Load(std::size_t step) {
    if (step == loaded_) {
        return;
    }
    SetStepFiles(job_, steps_, step);
    ReadSummary counts;
    for (std::size_t a = 0; a < steps_.AttributeCount(); ++a) {
        if (steps_.Varies(a)) {
            ReadAttributeValues(job_, static_cast<int>(a + 1), stop_, {options_.keepDigits},
                                counts);
        }
    }
    loaded_ = step;
    if (step > counted_) {
        read_.zeroed.Add(counts.zeroed);
        read_.noNumber.Add(counts.noNumber);
        counted_ = step;
    }
}

}  // namespace tesselar
