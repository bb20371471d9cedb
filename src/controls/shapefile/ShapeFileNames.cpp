#include "controls/shapefile/ShapeFileNames.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <random>

#include "conversion/AsciiCase.h"

namespace tesselar {

namespace {

// The extensions of the files a shapefile may have: the three of the format, its projection
// and code page, the spatial and attribute indexes of ArcGIS and MapServer, and the metadata.
constexpr std::array<std::string_view, 16> kShapefileExtensions = {
    ".shp", ".shx", ".dbf", ".prj", ".cpg", ".qix", ".sbn", ".sbx",
    ".fbn", ".fbx", ".ain", ".aih", ".ixs", ".mxs", ".atx", ".shp.xml"};

// Begins, or follows the name in, the hidden names this program gives the files it sets aside
// or is writing, so that it never takes another program's file for one of its own.
constexpr std::string_view kOwnMark = ".tesselar-";
constexpr std::string_view kLetters =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
constexpr std::size_t kRandomLetters = 6;

bool IsRandomLetter(char c) {
    return kLetters.find(c) != std::string_view::npos;
}

// The name of a shapefile's .shp file without its extension.
std::string_view StemOf(std::string_view shpName) {
    return shpName.substr(0, shpName.size() - 4);
}

// 16 hexadecimal digits of the FNV-1a hash of `text`: a short stand-in for a long name.
std::string NameHash(std::string_view text) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (const char c : text) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    }
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
    return digits;
}

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

std::string FileStemOf(const std::string& path) {
    const std::string name = FileNameOf(path);
    const auto dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
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

bool IsShapefileExtension(std::string_view extension) {
    return std::find(kShapefileExtensions.begin(), kShapefileExtensions.end(),
                     AsciiLowercase(extension)) != kShapefileExtensions.end();
}

bool IsFileOfShapefile(std::string_view name, std::string_view shpName) {
    const std::string_view stem = StemOf(shpName);
    return name.size() > stem.size() && name.starts_with(stem) &&
           IsShapefileExtension(name.substr(stem.size()));
}

std::string SetAsidePrefix(std::string_view shpName) {
    return std::string(kOwnMark) + NameHash(StemOf(shpName)) + "-";
}

std::string TemporaryPrefix(std::string_view fileName) {
    const std::string named = "." + std::string(fileName) + std::string(kOwnMark);
    if (named.size() + kRandomLetters <= NAME_MAX) {
        return named;
    }
    const std::size_t dot = fileName.rfind('.');
    const std::string_view extension = dot == std::string_view::npos ? "" : fileName.substr(dot);
    return std::string(kOwnMark) +
           NameHash(fileName.substr(0, fileName.size() - extension.size())) +
           std::string(extension) + ".";
}

bool IsTemporaryOfShapefile(std::string_view name, std::string_view shpName) {
    if (name.size() <= kRandomLetters ||
        !std::ranges::all_of(name.substr(name.size() - kRandomLetters), IsRandomLetter)) {
        return false;
    }
    const std::string_view prefix = name.substr(0, name.size() - kRandomLetters);
    if (prefix.size() > 1 + kOwnMark.size() && prefix.starts_with('.') &&
        prefix.ends_with(kOwnMark) &&
        IsFileOfShapefile(prefix.substr(1, prefix.size() - 1 - kOwnMark.size()), shpName)) {
        return true;
    }
    const std::string hashed = std::string(kOwnMark) + NameHash(StemOf(shpName));
    return prefix.size() > hashed.size() + 1 && prefix.starts_with(hashed) &&
           prefix.ends_with('.') &&
           IsShapefileExtension(prefix.substr(hashed.size(), prefix.size() - hashed.size() - 1));
}

bool IsTemporaryOf(std::string_view name, std::string_view fileName) {
    const std::string prefix = TemporaryPrefix(fileName);
    return name.size() == prefix.size() + kRandomLetters && name.starts_with(prefix) &&
           std::ranges::all_of(name.substr(prefix.size()), IsRandomLetter);
}

std::string RandomLetters() {
    thread_local std::mt19937_64 random{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, kLetters.size() - 1);
    std::string letters;
    for (std::size_t i = 0; i < kRandomLetters; ++i) {
        letters += kLetters[pick(random)];
    }
    return letters;
}

}  // namespace tesselar
