#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "crs/CrsIdentity.h"

namespace tesselar {

// How a mesh file tells its coordinate system in CF terms: the standard names and units of
// the node coordinates, and the attributes of its grid mapping variable.
struct CfGridMapping {
    std::string xStandardName;
    std::string yStandardName;
    std::string xUnits;
    std::string yUnits;
    std::vector<std::pair<std::string, std::string>> texts;
    std::vector<std::pair<std::string, std::vector<double>>> numbers;
    std::vector<std::pair<std::string, int>> integers;
};

// The CF form of `crs`, read from its OGC WKT1: longitude and latitude in degrees for a
// geographic coordinate system, projection_x/y_coordinate in its linear unit for a projected
// one. The grid mapping holds crs_wkt, and `wkt` too, the name QGIS's mesh reader (MDAL) looks
// for; the EPSG code as `epsg` and `EPSG_code` ("EPSG:25829") when PROJ identified one; the
// ellipsoid; and grid_mapping_name with its parameters for geographic coordinates and for the
// Transverse Mercator (UTM), Lambert Conformal Conic (2 standard parallels), Oblique
// Stereographic, Lambert Azimuthal Equal Area, Albers Equal Area and Mercator (1 standard
// parallel) projections. Other projections carry their WKT and code without a
// grid_mapping_name: CF readers that understand crs_wkt place them.
CfGridMapping GridMappingOf(const CrsIdentity& crs);

}  // namespace tesselar
