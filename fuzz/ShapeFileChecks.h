#pragma once

#include <cctype>
#include <cstdint>
#include <map>
#include <numeric>
#include <set>
#include <string>
#include <vector>

#include "FuzzCheck.h"

namespace tesselar::fuzz {

// What the fuzzer told the shape file component, counting only the calls it accepted: what a
// complete file set must hold.
struct ShapeFileModel {
    std::string shpPath;  // as the component was asked for it
    std::int32_t shapeType = 0;
    std::string projection;  // the .prj text; empty for none
    std::vector<int> fieldWidths;
    std::size_t shapes = 0;
};

using FileMap = std::map<std::string, std::string>;

namespace detail {

constexpr std::size_t kMainHeaderBytes = 100;

// The `count`-byte unsigned number at `offset` of `file`, refusing to read past its end.
inline std::size_t Number(const std::string& file, std::size_t offset, std::size_t count = 4,
                          bool bigEndian = true) {
    FUZZ_CHECK(offset + count <= file.size(),
               "reading past a file's end at " + std::to_string(offset));
    std::size_t value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        value = value << 8 |
                static_cast<unsigned char>(file[bigEndian ? offset + i : offset + count - 1 - i]);
    }
    return value;
}

}  // namespace detail

// `text` in upper or in lower case.
inline std::string Cased(std::string text, bool upper) {
    for (char& c : text) {
        const auto byte = static_cast<unsigned char>(c);
        c = static_cast<char>(upper ? std::toupper(byte) : std::tolower(byte));
    }
    return text;
}

namespace detail {

// The .shp records in a chain from the header to the file's end, and the .shx entries that point
// at them, one per shape.
inline void CheckMainAndIndex(const std::string& shp, const std::string& shx,
                              const ShapeFileModel& model, const std::string& name) {
    for (const std::string* file : {&shp, &shx}) {
        FUZZ_CHECK(Number(*file, 0) == 9994 && Number(*file, 24) * 2 == file->size() &&
                       Number(*file, 32, 4, false) == static_cast<std::size_t>(model.shapeType),
                   name + ": a main or index header's code, length or shape type");
    }
    FUZZ_CHECK(shx.size() == kMainHeaderBytes + 8 * model.shapes,
               name + ": one index entry per shape");
    std::size_t offset = kMainHeaderBytes;
    for (std::size_t n = 0; n < model.shapes; ++n) {
        const std::string record = name + " record " + std::to_string(n + 1);
        const std::size_t contentBytes = Number(shp, offset + 4) * 2;
        FUZZ_CHECK(Number(shp, offset) == n + 1 &&
                       Number(shx, kMainHeaderBytes + 8 * n) * 2 == offset &&
                       Number(shx, kMainHeaderBytes + 8 * n + 4) * 2 == contentBytes,
                   record + ": its number, or its index entry points elsewhere");
        offset += 8 + contentBytes;
    }
    FUZZ_CHECK(offset == shp.size(), name + ": the records do not end at the file's end");
}

inline void CheckTable(const std::string& dbf, const ShapeFileModel& model,
                       const std::string& name) {
    const std::size_t headerBytes = 32 + 32 * model.fieldWidths.size() + 1;
    const auto recordBytes = static_cast<std::size_t>(
        std::accumulate(model.fieldWidths.begin(), model.fieldWidths.end(), 1));
    FUZZ_CHECK(dbf.size() == headerBytes + recordBytes * model.shapes + 1 && dbf.back() == '\x1A',
               name + ": size or end-of-file byte");
    FUZZ_CHECK(Number(dbf, 4, 4, false) == model.shapes &&
                   Number(dbf, 8, 2, false) == headerBytes &&
                   Number(dbf, 10, 2, false) == recordBytes,
               name + ": record count, header length or record length");
}

}  // namespace detail

// Checks the files written on a successful Release: the files of `model.shpPath` (".SHP" with
// upper-case companions, any other case of ".shp" as ".shp" with lower-case ones, a .prj when
// the model has a projection) in place of every file of the shapefile of that name (the
// extensions in any case) that stood there in `before`, every other file as it was (those of a
// shapefile whose name differs only in case too), and each file's headers and record layout
// as the model says.
inline void CheckCompleteFileSet(const FileMap& before, const FileMap& after,
                                 const ShapeFileModel& model) {
    const std::size_t slash = model.shpPath.rfind('/');
    const std::string stem = model.shpPath.substr(0, model.shpPath.size() - 4);
    const bool upper = model.shpPath.ends_with(".SHP");
    // Files of the shapefile: its name up to the extension, byte for byte, and one of the
    // extensions the fuzzer puts beside it, in any case.
    const auto ofShapefile = [&](const std::string& path) {
        static const std::set<std::string> kExtensions = {".shp", ".shx", ".dbf", ".cpg",    ".prj",
                                                          ".qix", ".sbn", ".sbx", ".shp.xml"};
        return path.size() > stem.size() && path.rfind('/') == slash && path.starts_with(stem) &&
               kExtensions.contains(Cased(path.substr(stem.size()), false));
    };
    std::map<std::string, std::string> written;  // by lower-case extension
    for (const std::string extension : {"shp", "shx", "dbf", "cpg", "prj"}) {
        if (extension != "prj" || !model.projection.empty()) {
            written[extension] = stem + "." + Cased(extension, upper);
        }
    }
    FileMap expected;
    for (const auto& [path, content] : before) {
        if (!ofShapefile(path)) {
            expected[path] = content;
        }
    }
    for (const auto& [extension, path] : written) {
        FUZZ_CHECK(after.contains(path), "'" + path + "' was not written");
        expected[path] = after.at(path);
    }
    FUZZ_CHECK(after == expected,
               "beside '" + model.shpPath + "' a file was left, removed or changed");
    FUZZ_CHECK(model.projection.empty() || after.at(written["prj"]) == model.projection,
               written["prj"] + ": projection");
    FUZZ_CHECK(after.at(written["cpg"]) == "UTF-8", written["cpg"] + ": code page");
    detail::CheckMainAndIndex(after.at(written["shp"]), after.at(written["shx"]), model,
                              written["shp"]);
    detail::CheckTable(after.at(written["dbf"]), model, written["dbf"]);
}

}  // namespace tesselar::fuzz
