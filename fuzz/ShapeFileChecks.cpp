#include <algorithm>
#include <bit>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <set>
#include <string_view>

#include "FuzzCheck.h"
#include "ShapeFileModel.h"

namespace tesselar::fuzz {

namespace {

constexpr std::size_t kMainHeaderBytes = 100;

// Reads little- and big-endian numbers from a file, refusing to read past its end.
class Bytes {
public:
    Bytes(const std::string& content, std::string name)
        : content_(content), name_(std::move(name)) {}

    std::size_t Size() const { return content_.size(); }
    const std::string& Name() const { return name_; }

    std::uint32_t Unsigned(std::size_t offset, std::size_t count, bool bigEndian) const {
        FUZZ_CHECK(offset + count <= content_.size(),
                   name_ + ": reading past its end at " + std::to_string(offset));
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t at = bigEndian ? offset + i : offset + count - 1 - i;
            value = (value << 8) | static_cast<unsigned char>(content_[at]);
        }
        return value;
    }
    std::int32_t Big32(std::size_t offset) const {
        return static_cast<std::int32_t>(Unsigned(offset, 4, true));
    }
    std::int32_t Little32(std::size_t offset) const {
        return static_cast<std::int32_t>(Unsigned(offset, 4, false));
    }
    std::uint32_t Little16(std::size_t offset) const { return Unsigned(offset, 2, false); }
    double Double(std::size_t offset) const {
        FUZZ_CHECK(offset + 8 <= content_.size(), name_ + ": reading a double past its end");
        std::uint64_t bits = 0;
        for (int i = 7; i >= 0; --i) {
            bits = (bits << 8) | static_cast<unsigned char>(content_[offset + std::size_t(i)]);
        }
        return std::bit_cast<double>(bits);
    }
    std::string_view Text(std::size_t offset, std::size_t count) const {
        FUZZ_CHECK(offset + count <= content_.size(), name_ + ": text past its end");
        return std::string_view(content_).substr(offset, count);
    }

private:
    const std::string& content_;
    std::string name_;
};

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return lower;
}

struct Box {
    double xMin = INFINITY;
    double yMin = INFINITY;
    double xMax = -INFINITY;
    double yMax = -INFINITY;
    void Include(double x, double y) {
        xMin = std::min(xMin, x);
        yMin = std::min(yMin, y);
        xMax = std::max(xMax, x);
        yMax = std::max(yMax, y);
    }
};

void CheckBox(const Bytes& file, std::size_t offset, const Box& expected, const std::string& what) {
    FUZZ_CHECK(file.Double(offset) == expected.xMin && file.Double(offset + 8) == expected.yMin &&
                   file.Double(offset + 16) == expected.xMax &&
                   file.Double(offset + 24) == expected.yMax,
               file.Name() + ": " + what + " is not the box of its points");
}

bool IsModelVertex(const ModelShape& shape, double x, double y) {
    return std::any_of(shape.vertices.begin(), shape.vertices.end(),
                       [&](const ModelVertex& v) { return v.x == x && v.y == y; });
}

std::size_t RingCount(const ModelShape& shape) {
    std::size_t rings = 0;
    for (std::size_t i = 0; i < shape.vertices.size(); ++i) {
        rings += i == 0 || shape.vertices[i].part != shape.vertices[i - 1].part ? 1 : 0;
    }
    return rings;
}

// A polygon record's content: rings that close, made of the shape's own vertices.
Box CheckPolygonContent(const Bytes& shp, std::size_t content, std::size_t contentBytes,
                        const ModelShape& shape, const std::string& record) {
    const auto parts = static_cast<std::size_t>(shp.Little32(content + 36));
    const auto points = static_cast<std::size_t>(shp.Little32(content + 40));
    FUZZ_CHECK(parts == RingCount(shape), record + ": ring count");
    FUZZ_CHECK(44 + 4 * parts + 16 * points == contentBytes, record + ": content length");
    const std::size_t pointsAt = content + 44 + 4 * parts;
    Box box;
    for (std::size_t part = 0; part < parts; ++part) {
        const auto first = static_cast<std::size_t>(shp.Little32(content + 44 + 4 * part));
        const std::size_t end =
            part + 1 < parts ? static_cast<std::size_t>(shp.Little32(content + 48 + 4 * part))
                             : points;
        FUZZ_CHECK(part > 0 || first == 0, record + ": the first ring does not start at 0");
        FUZZ_CHECK(first < end && end <= points && end - first >= 4,
                   record + ": ring " + std::to_string(part) + " has a bad extent");
        const double x0 = shp.Double(pointsAt + 16 * first);
        const double y0 = shp.Double(pointsAt + 16 * first + 8);
        FUZZ_CHECK(x0 == shp.Double(pointsAt + 16 * (end - 1)) &&
                       y0 == shp.Double(pointsAt + 16 * (end - 1) + 8),
                   record + ": ring " + std::to_string(part) + " is not closed");
    }
    for (std::size_t i = 0; i < points; ++i) {
        const double x = shp.Double(pointsAt + 16 * i);
        const double y = shp.Double(pointsAt + 16 * i + 8);
        FUZZ_CHECK(IsModelVertex(shape, x, y), record + ": a point that was never added");
        box.Include(x, y);
    }
    CheckBox(shp, content + 4, box, record + "'s box");
    return box;
}

// The .shp records and the .shx entries that point at them.
void CheckMainAndIndex(const Bytes& shp, const Bytes& shx, const ShapeFileModel& model) {
    for (const Bytes* file : {&shp, &shx}) {
        FUZZ_CHECK(file->Size() >= kMainHeaderBytes, file->Name() + ": shorter than its header");
        FUZZ_CHECK(file->Big32(0) == 9994, file->Name() + ": file code");
        FUZZ_CHECK(static_cast<std::size_t>(file->Big32(24)) * 2 == file->Size(),
                   file->Name() + ": the length field is not the file's size");
        FUZZ_CHECK(file->Little32(28) == 1000, file->Name() + ": version");
        FUZZ_CHECK(file->Little32(32) == model.shapeType, file->Name() + ": shape type");
    }
    FUZZ_CHECK(shx.Size() == kMainHeaderBytes + 8 * model.shapes.size(),
               shx.Name() + ": one entry per shape");

    Box all;
    std::size_t offset = kMainHeaderBytes;
    for (std::size_t n = 0; n < model.shapes.size(); ++n) {
        const std::string record = shp.Name() + " record " + std::to_string(n + 1);
        FUZZ_CHECK(shp.Big32(offset) == static_cast<std::int32_t>(n + 1), record + ": number");
        const auto contentBytes = static_cast<std::size_t>(shp.Big32(offset + 4)) * 2;
        const std::size_t content = offset + 8;
        FUZZ_CHECK(content + contentBytes <= shp.Size(), record + ": runs past the file");
        FUZZ_CHECK(static_cast<std::size_t>(shx.Big32(kMainHeaderBytes + 8 * n)) * 2 == offset &&
                       static_cast<std::size_t>(shx.Big32(kMainHeaderBytes + 8 * n + 4)) * 2 ==
                           contentBytes,
                   shx.Name() + ": entry " + std::to_string(n + 1) + " misses its record");
        FUZZ_CHECK(shp.Little32(content) == model.shapeType, record + ": shape type");
        const ModelShape& shape = model.shapes[n];
        if (model.shapeType == 1) {
            FUZZ_CHECK(contentBytes == 20, record + ": a point takes 20 bytes");
            const double x = shp.Double(content + 4);
            const double y = shp.Double(content + 12);
            FUZZ_CHECK(
                shape.vertices.size() == 1 && x == shape.vertices[0].x && y == shape.vertices[0].y,
                record + ": not the point added");
            all.Include(x, y);
        } else {
            const Box box = CheckPolygonContent(shp, content, contentBytes, shape, record);
            all.Include(box.xMin, box.yMin);
            all.Include(box.xMax, box.yMax);
        }
        offset = content + contentBytes;
    }
    FUZZ_CHECK(offset == shp.Size(), shp.Name() + ": bytes after the last record");
    if (!model.shapes.empty()) {
        CheckBox(shp, 36, all, "the header's box");
        CheckBox(shx, 36, all, "the header's box");
    }
}

// Half a unit in the last digit of a numeric column's text: how far it may lie from the value.
// In long double, whose range holds every such unit and every text rounded up from the largest
// double.
long double HalfUnitOfLastDigit(std::string_view text) {
    const std::size_t exponentAt = text.find_first_of("eE");
    const std::string_view mantissa = text.substr(0, exponentAt);
    const std::size_t point = mantissa.find('.');
    const int decimals =
        point == std::string_view::npos ? 0 : static_cast<int>(mantissa.size() - point - 1);
    const int exponent = exponentAt == std::string_view::npos
                             ? 0
                             : std::atoi(std::string(text.substr(exponentAt + 1)).c_str());
    return 0.5L * std::pow(10.0L, exponent - decimals);
}

void CheckColumnText(std::string_view text, const ModelField& field, const std::string& where) {
    const std::size_t start = text.find_first_not_of(' ');
    if (!field.value) {
        FUZZ_CHECK(start == std::string_view::npos, where + ": a value never set");
        return;
    }
    FUZZ_CHECK(start != std::string_view::npos, where + ": blank");
    const std::string number(text.substr(start));
    char* end = nullptr;
    const long double written = std::strtold(number.c_str(), &end);
    FUZZ_CHECK(*end == '\0', where + ": '" + number + "' is not a number");
    const long double value = *field.value;
    // Next to the largest double the last digit is cut rather than rounded up past it: a whole
    // unit away.
    const bool cutBelowInfinity =
        std::fabs(value) > std::numeric_limits<double>::max() / (1 + 1e-2L);
    const long double allowed =
        HalfUnitOfLastDigit(number) * (cutBelowInfinity ? 2 : 1) * (1 + 1e-9L) +
        std::fabs(value) * 1e-15L;
    FUZZ_CHECK(std::isfinite(std::strtod(number.c_str(), nullptr)),
               where + ": '" + number + "' reads as infinity");
    FUZZ_CHECK(std::fabs(written - value) <= allowed,
               where + ": '" + number + "' is too far from " + std::to_string(*field.value));
    // A value whose text with all the column's decimals fits is written with them.
    char full[400];
    std::snprintf(full, sizeof full, "%.*f", field.decimals, *field.value);
    if (std::strlen(full) < static_cast<std::size_t>(field.width)) {
        const std::size_t point = number.find('.');
        const std::size_t decimals = point == std::string::npos ? 0 : number.size() - point - 1;
        FUZZ_CHECK(decimals == static_cast<std::size_t>(field.decimals) &&
                       number.find_first_of("eE") == std::string::npos,
                   where + ": '" + number + "' lost decimals that fit");
    }
}

void CheckTable(const Bytes& dbf, const ShapeFileModel& model) {
    const std::size_t fields = model.fields.size();
    const std::size_t headerBytes = 32 + 32 * fields + 1;
    std::size_t recordBytes = 1;
    for (const ModelField& field : model.fields) {
        recordBytes += static_cast<std::size_t>(field.width);
    }
    FUZZ_CHECK(dbf.Size() == headerBytes + recordBytes * model.shapes.size() + 1,
               dbf.Name() + ": size");
    FUZZ_CHECK(dbf.Unsigned(0, 1, false) == 3, dbf.Name() + ": version");
    FUZZ_CHECK(dbf.Unsigned(4, 4, false) == model.shapes.size(), dbf.Name() + ": record count");
    FUZZ_CHECK(dbf.Little16(8) == headerBytes, dbf.Name() + ": header length");
    FUZZ_CHECK(dbf.Little16(10) == recordBytes, dbf.Name() + ": record length");
    FUZZ_CHECK(dbf.Text(headerBytes - 1, 1) == "\r", dbf.Name() + ": header terminator");
    FUZZ_CHECK(dbf.Text(dbf.Size() - 1, 1) == "\x1A", dbf.Name() + ": end-of-file byte");

    std::set<std::string> names;
    for (std::size_t f = 0; f < fields; ++f) {
        const std::size_t at = 32 + 32 * f;
        const std::string where = dbf.Name() + " column " + std::to_string(f + 1);
        const std::string_view nameBytes = dbf.Text(at, 11);
        const std::size_t nameLength = nameBytes.find('\0');
        FUZZ_CHECK(nameLength != std::string_view::npos && nameLength > 0,
                   where + ": name not ended by a zero byte");
        FUZZ_CHECK(nameBytes.find_first_not_of('\0', nameLength) == std::string_view::npos,
                   where + ": bytes after the name's end");
        FUZZ_CHECK(names.insert(Lower(nameBytes.substr(0, nameLength))).second,
                   where + ": name repeats another column's");
        FUZZ_CHECK(dbf.Text(at + 11, 1) == "N", where + ": type");
        FUZZ_CHECK(
            dbf.Unsigned(at + 16, 1, false) == static_cast<std::uint32_t>(model.fields[f].width) &&
                dbf.Unsigned(at + 17, 1, false) ==
                    static_cast<std::uint32_t>(model.fields[f].decimals),
            where + ": width or decimals");
    }

    for (std::size_t n = 0; n < model.shapes.size(); ++n) {
        std::size_t at = headerBytes + recordBytes * n;
        const std::string record = dbf.Name() + " record " + std::to_string(n + 1);
        FUZZ_CHECK(dbf.Text(at, 1) == " ", record + ": deletion flag");
        ++at;
        for (std::size_t f = 0; f < fields; ++f) {
            ModelField field = model.fields[f];
            field.value = model.shapes[n].values[f];
            const auto width = static_cast<std::size_t>(field.width);
            CheckColumnText(dbf.Text(at, width), field,
                            record + " column " + std::to_string(f + 1));
            at += width;
        }
    }
}

}  // namespace

void CheckCompleteFileSet(const FileMap& before, const FileMap& after,
                          const ShapeFileModel& model) {
    const std::size_t slash = model.shpPath.rfind('/');
    const std::string stem = model.shpPath.substr(0, model.shpPath.size() - 4);
    const bool upper = model.shpPath.ends_with(".SHP");
    // Files of the shapefile: its name up to the extension and one of the extensions the fuzzer
    // puts beside it, in any case.
    const auto ofShapefile = [&](const std::string& path) {
        static const std::set<std::string> kExtensions = {".shp", ".shx", ".dbf", ".cpg",    ".prj",
                                                          ".qix", ".sbn", ".sbx", ".shp.xml"};
        return path.size() > stem.size() && path.rfind('/') == slash &&
               Lower(path.substr(0, stem.size())) == Lower(stem) &&
               kExtensions.contains(Lower(path.substr(stem.size())));
    };
    std::map<std::string, std::string> written;  // by lower-case extension
    for (const std::string extension : {"shp", "shx", "dbf", "cpg", "prj"}) {
        if (extension != "prj" || !model.projection.empty()) {
            std::string name = extension;
            for (char& c : name) {
                c = upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
            }
            written[extension] = stem + "." + name;
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
    for (const auto& [path, content] : after) {
        FUZZ_CHECK(expected.contains(path), "'" + path + "' is left beside '" + model.shpPath +
                                                "', which is no file written or kept");
    }
    FUZZ_CHECK(after == expected, "a file beside '" + model.shpPath + "' was removed or changed (" +
                                      std::to_string(after.size()) + " files, " +
                                      std::to_string(expected.size()) + " expected)");
    if (!model.projection.empty()) {
        FUZZ_CHECK(after.at(written["prj"]) == model.projection, written["prj"] + ": projection");
    }

    const Bytes shp(after.at(written["shp"]), written["shp"]);
    const Bytes shx(after.at(written["shx"]), written["shx"]);
    const Bytes dbf(after.at(written["dbf"]), written["dbf"]);
    CheckMainAndIndex(shp, shx, model);
    CheckTable(dbf, model);
    FUZZ_CHECK(after.at(written["cpg"]) == "UTF-8", written["cpg"] + ": code page");
}

}  // namespace tesselar::fuzz
