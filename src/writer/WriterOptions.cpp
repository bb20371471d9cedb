#include "writer/WriterOptions.h"

#include "writer/WriterLayout.h"

namespace tesselar {

int StepColumns(const WriterOptions& options) {
    return (options.stepColumn ? 1 : 0) + (options.timeColumn ? 1 : 0);
}

int StepColumnsBytes(const WriterOptions& options) {
    return (options.stepColumn ? kStepFieldWidth : 0) + (options.timeColumn ? kTimeFieldWidth : 0);
}

}  // namespace tesselar
