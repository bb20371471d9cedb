#include "mesh/CfGridMapping.h"

#include <charconv>
#include <string_view>

namespace tesselar {

namespace {

// The number after `key` ("PARAMETER[\"central_meridian\",") in `wkt` from `from` on, or
// nothing.
std::optional<double> NumberAfter(std::string_view wkt, std::string_view key,
                                  std::size_t from = 0) {
    const std::size_t at = wkt.find(key, from);
    if (at == std::string_view::npos) {
        return std::nullopt;
    }
    const char* first = wkt.data() + at + key.size();
    double value = 0.0;
    const auto [end, error] = std::from_chars(first, wkt.data() + wkt.size(), value);
    if (error != std::errc() || end == first) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> Parameter(std::string_view wkt, std::string_view name) {
    return NumberAfter(wkt, "PARAMETER[\"" + std::string(name) + "\",");
}

// A WKT1 projection and the CF names of its parameters.
struct ProjectionNames {
    const char* wktName;
    const char* cfName;
    std::vector<std::pair<const char*, const char*>> parameters;  // WKT1 name, CF name
};

const std::vector<ProjectionNames>& KnownProjections() {
    static const std::vector<ProjectionNames> projections = {
        {"Transverse_Mercator",
         "transverse_mercator",
         {{"latitude_of_origin", "latitude_of_projection_origin"},
          {"central_meridian", "longitude_of_central_meridian"},
          {"scale_factor", "scale_factor_at_central_meridian"},
          {"false_easting", "false_easting"},
          {"false_northing", "false_northing"}}},
        {"Lambert_Conformal_Conic_2SP",
         "lambert_conformal_conic",
         {{"latitude_of_origin", "latitude_of_projection_origin"},
          {"central_meridian", "longitude_of_central_meridian"},
          {"false_easting", "false_easting"},
          {"false_northing", "false_northing"}}},
        {"Oblique_Stereographic",
         "oblique_stereographic",
         {{"latitude_of_origin", "latitude_of_projection_origin"},
          {"central_meridian", "longitude_of_projection_origin"},
          {"scale_factor", "scale_factor_at_projection_origin"},
          {"false_easting", "false_easting"},
          {"false_northing", "false_northing"}}},
        {"Lambert_Azimuthal_Equal_Area",
         "lambert_azimuthal_equal_area",
         {{"latitude_of_center", "latitude_of_projection_origin"},
          {"longitude_of_center", "longitude_of_projection_origin"},
          {"false_easting", "false_easting"},
          {"false_northing", "false_northing"}}},
        {"Albers_Conic_Equal_Area",
         "albers_conical_equal_area",
         {{"latitude_of_center", "latitude_of_projection_origin"},
          {"longitude_of_center", "longitude_of_central_meridian"},
          {"false_easting", "false_easting"},
          {"false_northing", "false_northing"}}},
        {"Mercator_1SP",
         "mercator",
         {{"central_meridian", "longitude_of_projection_origin"},
          {"scale_factor", "scale_factor_at_projection_origin"},
          {"false_easting", "false_easting"},
          {"false_northing", "false_northing"}}},
    };
    return projections;
}

// "m" for metres, "ft" and "US_survey_foot" by name, otherwise the unit as a multiple of the
// metre, which UDUNITS reads.
std::string LinearUnit(std::string_view wkt, std::size_t from) {
    const std::size_t at = wkt.find("UNIT[\"", from);
    if (at == std::string_view::npos) {
        return "m";
    }
    const std::size_t nameStart = at + 6;
    const std::size_t nameEnd = wkt.find('"', nameStart);
    const std::string_view name = wkt.substr(nameStart, nameEnd - nameStart);
    if (name == "metre" || name == "meter") {
        return "m";
    }
    if (name == "foot") {
        return "ft";
    }
    if (name == "US survey foot") {
        return "US_survey_foot";
    }
    const std::optional<double> factor = NumberAfter(wkt, "\",", nameStart);
    return factor ? std::to_string(*factor) + " m" : "m";
}

void AddEllipsoid(std::string_view wkt, CfGridMapping& mapping) {
    const std::size_t at = wkt.find("SPHEROID[\"");
    if (at == std::string_view::npos) {
        return;
    }
    const std::size_t nameEnd = wkt.find('"', at + 10);
    const std::optional<double> axis = NumberAfter(wkt, "\",", nameEnd);
    if (!axis) {
        return;
    }
    mapping.numbers.push_back({"semi_major_axis", {*axis}});
    const std::size_t comma = wkt.find(',', nameEnd + 2);
    const std::optional<double> flattening = NumberAfter(wkt, ",", comma);
    if (flattening) {
        mapping.numbers.push_back({"inverse_flattening", {*flattening}});
    }
}

void AddProjection(std::string_view wkt, CfGridMapping& mapping) {
    for (const ProjectionNames& projection : KnownProjections()) {
        if (wkt.find("PROJECTION[\"" + std::string(projection.wktName) + "\"") ==
            std::string_view::npos) {
            continue;
        }
        mapping.texts.push_back({"grid_mapping_name", projection.cfName});
        for (const auto& [wktName, cfName] : projection.parameters) {
            if (const std::optional<double> value = Parameter(wkt, wktName)) {
                mapping.numbers.push_back({cfName, {*value}});
            }
        }
        const std::optional<double> first = Parameter(wkt, "standard_parallel_1");
        const std::optional<double> second = Parameter(wkt, "standard_parallel_2");
        if (first && second) {
            mapping.numbers.push_back({"standard_parallel", {*first, *second}});
        }
        return;
    }
}

}  // namespace

CfGridMapping GridMappingOf(const CrsIdentity& crs) {
    const std::string_view wkt = crs.wkt;
    CfGridMapping mapping;
    const std::size_t projected = wkt.find("PROJCS[");
    if (projected == std::string_view::npos) {
        mapping = {"longitude", "latitude", "degrees_east", "degrees_north", {}, {}, {}};
        mapping.texts.push_back({"grid_mapping_name", "latitude_longitude"});
    } else {
        const std::size_t projection = wkt.find("PROJECTION[", projected);
        const std::string unit =
            LinearUnit(wkt, projection == std::string_view::npos ? projected : projection);
        mapping = {"projection_x_coordinate", "projection_y_coordinate", unit, unit, {}, {}, {}};
        AddProjection(wkt, mapping);
    }
    AddEllipsoid(wkt, mapping);
    mapping.texts.push_back({"crs_wkt", crs.wkt});
    mapping.texts.push_back({"wkt", crs.wkt});
    if (crs.organization == "EPSG" && crs.code > 0) {
        mapping.texts.push_back({"EPSG_code", "EPSG:" + std::to_string(crs.code)});
        mapping.integers.push_back({"epsg", crs.code});
    }
    return mapping;
}

}  // namespace tesselar
