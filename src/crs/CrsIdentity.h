#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tesselar {

// A coordinate system as formats that name it by code record it: GeoPackage and FlatGeobuf.
struct CrsIdentity {
    std::string name;
    // The authority and code PROJ identifies it as ("EPSG", 25829), or empty and 0 when none
    // matches it exactly.
    std::string organization;
    int code = 0;
    // Its OGC WKT1, as GDAL writes it (from the authority's definition when identified).
    std::string wkt;
};

// Identifies the coordinate system given as WKT (the ESRI WKT of a .prj). Throws
// CoordinateSystemError when PROJ cannot read it.
CrsIdentity IdentifyCrs(std::string_view wkt);

// The same for an output's coordinate system, none when its WKT is empty (no coordinate system).
std::optional<CrsIdentity> IdentifyCrsIfAny(std::string_view wkt);

}  // namespace tesselar
