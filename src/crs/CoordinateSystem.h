#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "conversion/StopRequest.h"

namespace tesselar {

// The coordinate system `crsText` in the ESRI WKT1 form that ArcGIS and QGIS read from a .prj,
// on one line. `crsText` is the path of a file holding a coordinate system (such as a .prj) when
// a file of that name exists; otherwise anything PROJ reads as one: "EPSG:<code>" (the prefix in
// any case), "ESRI:102100", "OGC:CRS84", a URN, a WKT (1 or 2, OGC or ESRI) or PROJJSON text, or
// a PROJ string ("+proj=utm +zone=29 ..."). The coordinate system must place points on a map:
// one of heights alone is refused. A file is read once (a pipe serves as well); a stop
// requested while it waits for a FIFO's writer or data throws Interrupted.
// Throws CoordinateSystemError naming `crsText` (or the file) and what PROJ or the system said,
// also when PROJ cannot be loaded or cannot find its database.
// Each call uses its own PROJ context, so calls on different threads do not interfere.
std::string EsriWkt(std::string_view crsText, StopRequest stop = {});

// The ESRI WKT1 of the coordinate system in the file `path` (such as a .prj), as EsriWkt gives it.
// Throws CoordinateSystemError naming the file.
std::string EsriWktOfFile(const std::filesystem::path& path, StopRequest stop = {});

}  // namespace tesselar
