#include "run/StepOutputNames.h"

#include "controls/shapefile/ShapeFileNames.h"
#include "conversion/PrintableText.h"
#include "readers/StepFiles.h"
#include "writer/OutputFormat.h"

namespace tesselar {

namespace {

void ReplaceAll(std::string& text, const std::string& placeholder, const std::string& value) {
    for (std::size_t at = text.find(placeholder); at != std::string::npos;
         at = text.find(placeholder, at + value.size())) {
        text.replace(at, placeholder.size(), value);
    }
}

bool Holds(const std::string& text, const char* placeholder) {
    return text.find(placeholder) != std::string::npos;
}

}  // namespace

bool HasStepPlaceholder(const std::string& shpPath) {
    const std::string name = FileNameOf(shpPath);
    return Holds(name, kStepPlaceholder) || Holds(name, kTimePlaceholder);
}

void CheckStepOutput(const std::string& shpPath, std::size_t count, bool hasTimes) {
    const std::string output = "output '" + PrintableText(shpPath) + "'";
    if (const OutputFormat format = OutputFormatOf(shpPath); format != OutputFormat::Shapefile) {
        if (Holds(shpPath, kStepPlaceholder) || Holds(shpPath, kTimePlaceholder)) {
            throw StepSeriesError(output + " is a " + OutputFormatName(format) +
                                  ", which holds every step: {step} and {time} name the "
                                  "shapefiles of a run written as shapefiles");
        }
        return;
    }
    const std::string folder = FolderOf(shpPath);
    if (Holds(folder, kStepPlaceholder) || Holds(folder, kTimePlaceholder)) {
        throw StepSeriesError(output +
                              ": {step} and {time} stand in the file name, not in its folder: "
                              "every step's shapefile goes to one folder");
    }
    if (count > 1 && !HasStepPlaceholder(shpPath)) {
        throw StepSeriesError(output + " holds neither {step} nor {time}: the run has " +
                              std::to_string(count) +
                              " steps, each written as a shapefile of its own name");
    }
    if (!hasTimes && Holds(shpPath, kTimePlaceholder)) {
        throw StepSeriesError(output +
                              " holds {time} but the steps have no times: give --time with "
                              "--time-step, or --times");
    }
}

std::string StepShpPath(const std::string& shpPath, std::size_t step, std::size_t count,
                        const std::optional<StepTime>& time) {
    const std::string number = std::to_string(step + 1);
    const std::size_t width = std::to_string(count).size();
    std::string path = shpPath;
    ReplaceAll(path, kStepPlaceholder, std::string(width - number.size(), '0') + number);
    if (time) {
        ReplaceAll(path, kTimePlaceholder, CompactUtcText(*time));
    }
    return path;
}

}  // namespace tesselar
