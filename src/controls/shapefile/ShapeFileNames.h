#pragma once

#include <string>
#include <string_view>

namespace tesselar {

// The folder of a path ("." for a bare name) and the name after its last slash.
std::string FolderOf(const std::string& path);
std::string FileNameOf(const std::string& path);
// `name` in `folder`, as FolderOf and FileNameOf split it.
std::string PathIn(const std::string& folder, const std::string& name);

// A path ending in ".shp" (any case) after a file name of at least one character.
bool IsShpPath(std::string_view path);

// The .shp path a shapefile asked for at `path` (an IsShpPath) is written to: ".SHP" stays, so
// that its files are all upper case; any other mix of case becomes ".shp", which every GIS
// finds the lower-case companions of.
std::string WrittenShpPath(const std::string& path);

// The path of a companion file: the .shp path with its extension replaced by `extension`
// (given in lower case), upper case when the .shp extension is.
std::string CompanionPath(const std::string& shpPath, std::string_view extension);

// Whether the file `name` belongs to the shapefile whose .shp file is named `shpName`: the same
// name up to the extension and the extension of a shapefile's file (.shp, .dbf, .prj, a spatial
// index, the metadata ...), letters in any case.
bool IsFileOfShapefile(std::string_view name, std::string_view shpName);

// The beginning of the names under which the files of the shapefile `shpName` are set aside
// while it is replaced: the same for every case of its name, and short enough for any name.
std::string SetAsidePrefix(std::string_view shpName);

}  // namespace tesselar
