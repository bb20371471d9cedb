#pragma once

#include <string>
#include <string_view>

namespace tesselar {

// The folder of a path ("." for a bare name) and the name after its last slash.
std::string FolderOf(const std::string& path);
std::string FileNameOf(const std::string& path);
// The file name of `path` without its last extension; a name with none, or whose only dot
// begins it, whole.
std::string FileStemOf(const std::string& path);
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

// Whether `extension` (".shp", ".prj", ".shp.xml" ...) is that of a file a shapefile may have,
// letters in any case.
bool IsShapefileExtension(std::string_view extension);

// Whether the file `name` belongs to the shapefile whose .shp file is named `shpName`: the same
// name, byte for byte, up to the extension, and the extension of a shapefile's file (.shp, .dbf,
// .prj, a spatial index, the metadata ...) in any case. "Lagoon.dbf" is no file of "lagoon.shp":
// on most file systems the two are different shapefiles.
bool IsFileOfShapefile(std::string_view name, std::string_view shpName);

// The beginning of the names under which the files of the shapefile `shpName` are set aside
// while it is replaced: one for each name, and short enough for any name.
std::string SetAsidePrefix(std::string_view shpName);

// The hidden name of a new file while it is written, without the RandomLetters() that end it:
// ".lagoon.shp.tesselar-" for "lagoon.shp", or, where that would pass the longest name a file
// system allows, a stand-in for the name without its extension followed by the extension.
std::string TemporaryPrefix(std::string_view fileName);

// Whether `name` is such a hidden name of a file of the shapefile `shpName` (as
// IsFileOfShapefile tells it).
bool IsTemporaryOfShapefile(std::string_view name, std::string_view shpName);

// Whether `name` is such a hidden name of a new file to be named `fileName`.
bool IsTemporaryOf(std::string_view name, std::string_view fileName);

// Six random letters and digits, different from one call to the next.
std::string RandomLetters();

}  // namespace tesselar
