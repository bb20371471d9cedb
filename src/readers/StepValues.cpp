#include "readers/StepValues.h"

#include "conversion/FileLabels.h"
#include "readers/ValueFile.h"

namespace tesselar {

void CheckAttributeFileStart(const std::string& name, const std::string& path,
                             std::int64_t valueCount, StopRequest stop) {
    ValueFile file(path, AttributeFileLabel(name, path), stop);
    file.StartValues(valueCount);
}

void ReadAttributeValues(ConversionJob& job, int k, StopRequest stop, const ReadOptions& options,
                         ReadSummary& counts) {
    const auto slot = static_cast<std::size_t>(k);
    ValueFile file(job.AttribFiles.at(slot),
                   AttributeFileLabel(job.AttribNames.at(slot), job.AttribFiles.at(slot)), stop);
    file.StartValues(std::int64_t{job.IMax} * job.JMax);
    for (int i = 1; i <= job.IMax; ++i) {
        for (int j = 1; j <= job.JMax; ++j) {
            job.AttribValues.at(k, i, j) = options.keepDigits ? file.NextWithDigits() : file.Next();
        }
    }
    counts.zeroed.Add(file.Zeroed());
    counts.noNumber.Add(file.NoNumber());
}

}  // namespace tesselar
