#include "crs/ProjectionFile.h"

#include "crs/CoordinateSystem.h"

namespace tesselar {

std::optional<std::filesystem::path> SidecarProjectionFile(const std::filesystem::path& xAxysFile) {
    for (const char* extension : {".prj", ".PRJ"}) {
        std::filesystem::path sidecar = xAxysFile;
        sidecar.replace_extension(extension);
        std::error_code notThere;
        if (std::filesystem::exists(sidecar, notThere)) {
            return sidecar;
        }
    }
    return std::nullopt;
}

std::optional<std::string> OutputProjection(const std::optional<std::string>& crsOption,
                                            const std::filesystem::path& xAxysFile) {
    if (crsOption) {
        if (*crsOption == kNoCoordinateSystem) {
            return std::nullopt;
        }
        return EsriWkt(*crsOption);
    }
    if (const auto sidecar = SidecarProjectionFile(xAxysFile)) {
        return EsriWktOfFile(*sidecar);
    }
    return std::nullopt;
}

}  // namespace tesselar
