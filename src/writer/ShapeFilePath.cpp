#include "writer/CreateShapeFiles.h"

namespace tesselar {

std::string ShapeFilePath(const ConversionJob& job) {
    return job.ShapeFolder + "/" + job.ShapeFileName + ".shp";
}

}  // namespace tesselar
