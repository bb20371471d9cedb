#pragma once

#include <string_view>

#include "conversion/AsciiCase.h"

namespace tesselar {

// The kinds of file a conversion writes.
enum class OutputFormat { Shapefile, GeoPackage, FlatGeobuf, Mesh };

// The format an output path asks for by its extension, in any case: ".gpkg" a GeoPackage,
// ".fgb" a FlatGeobuf file, ".nc" a UGRID mesh in a netCDF file, anything else a shapefile.
inline OutputFormat OutputFormatOf(std::string_view path) {
    const auto endsWith = [path](std::string_view extension) {
        return path.size() > extension.size() &&
               EqualIgnoringAsciiCase(path.substr(path.size() - extension.size()), extension);
    };
    if (endsWith(".gpkg")) {
        return OutputFormat::GeoPackage;
    }
    if (endsWith(".fgb")) {
        return OutputFormat::FlatGeobuf;
    }
    if (endsWith(".nc")) {
        return OutputFormat::Mesh;
    }
    return OutputFormat::Shapefile;
}

// How messages name a file of the format: "Shape File", "GeoPackage", "FlatGeobuf file",
// "netCDF mesh".
inline const char* OutputFormatName(OutputFormat format) {
    switch (format) {
        case OutputFormat::GeoPackage:
            return "GeoPackage";
        case OutputFormat::FlatGeobuf:
            return "FlatGeobuf file";
        case OutputFormat::Mesh:
            return "netCDF mesh";
        case OutputFormat::Shapefile:
            break;
    }
    return "Shape File";
}

}  // namespace tesselar
