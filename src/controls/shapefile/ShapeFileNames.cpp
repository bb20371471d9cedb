#include "controls/shapefile/ShapeFileNames.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>

#include "conversion/AsciiCase.h"

namespace tesselar {

namespace {

// The extensions of the files a shapefile may have: the three of the format, its projection
// and code page, the spatial and attribute indexes of ArcGIS and MapServer, and the metadata.
constexpr std::array<std::string_view, 16> kShapefileExtensions = {
    ".shp", ".shx", ".dbf", ".prj", ".cpg", ".qix", ".sbn", ".sbx",
    ".fbn", ".fbx", ".ain", ".aih", ".ixs", ".mxs", ".atx", ".shp.xml"};

}  // namespace

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string FileNameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string PathIn(const std::string& folder, const std::string& name) {
    return (folder == "/" ? "" : folder) + "/" + name;
}

bool IsShpPath(std::string_view path) {
    return path.size() >= 5 && path[path.size() - 5] != '/' &&
           EqualIgnoringAsciiCase(path.substr(path.size() - 4), ".shp");
}

std::string WrittenShpPath(const std::string& path) {
    if (path.ends_with(".SHP")) {
        return path;
    }
    return path.substr(0, path.size() - 4) + ".shp";
}

std::string CompanionPath(const std::string& shpPath, std::string_view extension) {
    const bool upper = shpPath.ends_with(".SHP");
    std::string path = shpPath.substr(0, shpPath.size() - 3);
    for (const char c : extension) {
        path += upper ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return path;
}

bool IsFileOfShapefile(std::string_view name, std::string_view shpName) {
    const std::size_t stem = shpName.size() - 4;
    return name.size() > stem &&
           EqualIgnoringAsciiCase(name.substr(0, stem), shpName.substr(0, stem)) &&
           std::find(kShapefileExtensions.begin(), kShapefileExtensions.end(),
                     AsciiLowercase(name.substr(stem))) != kShapefileExtensions.end();
}

std::string SetAsidePrefix(std::string_view shpName) {
    // FNV-1a of the lower-case name without its extension.
    std::uint64_t hash = 14695981039346656037ULL;
    for (const char c : shpName.substr(0, shpName.size() - 4)) {
        hash = (hash ^ static_cast<unsigned char>(AsciiLower(c))) * 1099511628211ULL;
    }
    char text[40];
    std::snprintf(text, sizeof text, ".tesselar-%016llx-", static_cast<unsigned long long>(hash));
    return text;
}

}  // namespace tesselar
