#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/StopRequest.h"

namespace tesselar {

// The value of the coordinate system option that asks for no .prj, even beside a sidecar.
inline constexpr std::string_view kNoCoordinateSystem = "none";

// The coordinate system given for the .prj, read once: the ESRI WKT to write, or nothing when
// kNoCoordinateSystem was given.
struct GivenCoordinateSystem {
    std::optional<std::string> esriWkt;
};

// The coordinate system option's `text`: kNoCoordinateSystem, or what EsriWkt reads (a file,
// a pipe, a code, a WKT text...). Throws CoordinateSystemError as EsriWkt does, and Interrupted
// when `stop` ends a wait for a FIFO.
GivenCoordinateSystem ReadCoordinateSystemOption(std::string_view text, StopRequest stop = {});

// The .prj to write and what the user should know about it.
struct OutputProjection {
    std::optional<std::string> esriWkt;  // nothing: no .prj
    std::vector<std::string> warnings;   // complete lines without a final "."
};

// The .prj of the shapefile converted from `xAxysFile`. A given coordinate system decides;
// without one, the sidecar of the X axys file does: the file of its name with the extension
// ".prj" (then ".PRJ") in place of the one after the last dot of the file name, or added when
// there is none ("grid_x.prj" for "grid_x.dat"). Warns when neither gives a coordinate system
// (the shapefile has no .prj, which the user may not know), and when both sidecars exist and
// differ. Throws CoordinateSystemError naming the sidecar when it cannot be read (also a
// symbolic link leading nowhere) or PROJ cannot read it, and Interrupted when `stop` ends a wait
// for a FIFO.
OutputProjection ChooseOutputProjection(const std::optional<GivenCoordinateSystem>& given,
                                        const std::filesystem::path& xAxysFile,
                                        StopRequest stop = {});

}  // namespace tesselar
