#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tesselar {

// The coordinate system `crsText` in the ESRI WKT1 form that ArcGIS and QGIS read from a .prj,
// on one line. `crsText` is "EPSG:<code>" (the prefix in any case), a WKT (1 or 2, OGC or ESRI)
// or PROJJSON text, or else the path of a file holding such a text, such as a .prj.
// Throws CoordinateSystemError naming `crsText` (or the file) and what PROJ or the system said.
// Each call uses its own PROJ context, so calls on different threads do not interfere.
std::string EsriWkt(std::string_view crsText);

// The ESRI WKT1 of the coordinate system in the file `path` (such as a .prj), as EsriWkt gives it.
// Throws CoordinateSystemError naming the file.
std::string EsriWktOfFile(const std::filesystem::path& path);

}  // namespace tesselar
