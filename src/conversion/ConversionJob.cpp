#include "conversion/ConversionJob.h"

namespace tesselar {

const char* ShapeTypeText(ShapeType type) {
    return type == ShapeType::Polygon ? "Polygon" : "Point";
}

bool AppendAttribute(ConversionJob& job, const std::string& name, const std::string& file) {
    if (job.AttribCount >= kMaxAttributes) {
        return false;
    }
    ++job.AttribCount;
    job.AttribNames[static_cast<std::size_t>(job.AttribCount)] = name;
    job.AttribFiles[static_cast<std::size_t>(job.AttribCount)] = file;
    return true;
}

std::string ShapeFilePath(const ConversionJob& job) {
    return job.ShapeFolder + "/" + job.ShapeFileName + ".shp";
}

}  // namespace tesselar
