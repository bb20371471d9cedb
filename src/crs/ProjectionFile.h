#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tesselar {

// The value of the coordinate system option that asks for no .prj, even beside a sidecar.
inline constexpr std::string_view kNoCoordinateSystem = "none";

// The sidecar of an X axys file: the file of the same name with the extension ".prj" (then
// ".PRJ") in place of the one after the last dot of the file name, or added when there is none
// ("grid_x.prj" for "grid_x.dat"). Nothing when neither exists.
std::optional<std::filesystem::path> SidecarProjectionFile(const std::filesystem::path& xAxysFile);

// The ESRI WKT to write as the shapefile's .prj, or nothing for no .prj. A given option decides
// ("none": no .prj); without one, the sidecar of the X axys file does when there is one.
// Throws CoordinateSystemError naming the option's text or the sidecar file when PROJ cannot
// read it.
std::optional<std::string> OutputProjection(const std::optional<std::string>& crsOption,
                                            const std::filesystem::path& xAxysFile);

}  // namespace tesselar
