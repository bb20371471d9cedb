#include "readers/ReadFiles.h"

#include <cstdint>
#include <string_view>

#include "conversion/ConversionError.h"
#include "conversion/FileLabels.h"
#include "readers/GridSize.h"
#include "readers/HeaderScan.h"
#include "readers/InputFileError.h"
#include "readers/PrintableText.h"
#include "readers/ValueFile.h"

namespace tesselar {

namespace {

constexpr double kLargestExtent = 32767;

// What a grid size keyword stands for in messages.
struct SizeKeyword {
    const char* keyword;
    const char* limit;  // why a larger size does not fit
};

constexpr SizeKeyword kPolygonSizeI = {"SIZE_I",
                                       "a grid has at most 32767 nodes along i (\"SIZE_I\" 32767)"};
constexpr SizeKeyword kPolygonSizeJ = {"SIZE_J",
                                       "a grid has at most 32767 nodes along j (\"SIZE_J\" 32767)"};
constexpr SizeKeyword kPointSizeI = {"SIZE_I",
                                     "there are at most 32767 particles (\"SIZE_I\" 32768)"};

bool IsBlank(std::string_view text) {
    return text.find_first_not_of(" \t") == text.npos;
}

// Where a grid size text came from, for messages.
std::string SizeSource(const HeaderValue& header, std::string_view keyword) {
    const std::string quotedKeyword = "\"" + std::string(keyword) + "\"";
    if (header.found) {
        return "the " + quotedKeyword + " value '" + PrintableText(header.text) + "' on line " +
               std::to_string(header.line);
    }
    std::string missing = "there is no " + quotedKeyword + " line";
    if (header.emptyLine > 0) {
        missing += " above the first empty line (line " + std::to_string(header.emptyLine) + ")";
    }
    if (header.line == 0) {
        return missing;
    }
    return missing + ", and the text '" + PrintableText(header.text) + "' taken from line " +
           std::to_string(header.line) + " instead";
}

[[noreturn]] void ThrowNotANumber(const std::string& label, const HeaderValue& header,
                                  std::string_view keyword) {
    if (header.found && IsBlank(header.text)) {
        throw InputFileError(label + ": the \"" + std::string(keyword) + "\" value on line " +
                             std::to_string(header.line) +
                             " is blank: the number must begin within the " +
                             std::to_string(kValueTextLength) + " characters after the \":\"");
    }
    if (!header.found && header.line == 0) {
        throw InputFileError(label + ": " + SizeSource(header, keyword));
    }
    throw InputFileError(label + ": " + SizeSource(header, keyword) + " is not a number");
}

// IMax or JMax: the grid size given for `size` in the X axys file, minus 1.
std::int16_t ReadExtent(const std::string& path, const std::string& label, const SizeKeyword& size,
                        double largestExtent) {
    const HeaderValue header = ScanHeaderValue(path, label, size.keyword);
    const auto number = ParseGridSize(header.text);
    if (!number) {
        ThrowNotANumber(label, header, size.keyword);
    }
    const double extent = GridExtent(*number);
    if (extent < 0) {
        throw InputFileError(label + ": " + SizeSource(header, size.keyword) +
                             " is less than 1, the smallest grid size");
    }
    if (extent > largestExtent) {
        throw OverflowError(label + ": " + SizeSource(header, size.keyword) +
                            " is too large: " + size.limit);
    }
    return static_cast<std::int16_t>(extent);
}

// Reads rows x columns values, row by row, into store(i, j) for i and j counted from 1.
template <class Store>
void ReadValues(const std::string& path, const std::string& label, int rows, int columns,
                Store store) {
    ValueFile file(path, label, std::int64_t{rows} * columns);
    for (int i = 1; i <= rows; ++i) {
        for (int j = 1; j <= columns; ++j) {
            store(i, j, file.Next());
        }
    }
}

void CheckAttributeCount(const ConversionJob& job) {
    if (job.AttribCount < 0 || job.AttribCount > kMaxAttributes) {
        throw IndexError("the attribute count " + std::to_string(job.AttribCount) +
                         " lies outside 0 to " + std::to_string(kMaxAttributes));
    }
}

}  // namespace

void ReadInputData(ConversionJob& job, const SizesRead& sizesRead) {
    const bool polygons = job.ShapeType == ShapeType::Polygon;
    CheckAttributeCount(job);

    const std::string xLabel = XAxysFileLabel(job.XAxysFile);
    if (polygons) {
        // Nodes run to IMax + 1 and JMax + 1, which must fit 16 bits as well.
        job.IMax = ReadExtent(job.XAxysFile, xLabel, kPolygonSizeI, kLargestExtent - 1);
        job.JMax = ReadExtent(job.XAxysFile, xLabel, kPolygonSizeJ, kLargestExtent - 1);
    } else {
        job.IMax = ReadExtent(job.XAxysFile, xLabel, kPointSizeI, kLargestExtent);
        job.JMax = 1;
    }
    // An oversized job fails here, before memory is taken or a value is read.
    sizesRead(job);

    // Polygon mode reads every node; point mode one column of points.
    const int nodeUpperI = polygons ? job.IMax + 1 : job.IMax;
    const int nodeUpperJ = polygons ? job.JMax + 1 : job.JMax;
    const int nodeColumns = polygons ? nodeUpperJ : 1;
    // Drop the old arrays first, so that old and new never take memory together.
    job.XCoords = Array2D();
    job.YCoords = Array2D();
    job.AttribValues = Array3D();
    job.XCoords = Array2D(nodeUpperI, nodeUpperJ, "XCoords");
    job.YCoords = Array2D(nodeUpperI, nodeUpperJ, "YCoords");
    job.AttribValues = Array3D(job.AttribCount, job.IMax, job.JMax, "AttribValues");

    ReadValues(job.XAxysFile, xLabel, nodeUpperI, nodeColumns,
               [&job](int i, int j, double value) { job.XCoords.at(i, j) = value; });
    ReadValues(job.YAxysFile, YAxysFileLabel(job.YAxysFile), nodeUpperI, nodeColumns,
               [&job](int i, int j, double value) { job.YCoords.at(i, j) = value; });

    for (int k = 1; k <= job.AttribCount; ++k) {
        const auto slot = static_cast<std::size_t>(k);
        ReadValues(job.AttribFiles[slot],
                   AttributeFileLabel(job.AttribNames[slot], job.AttribFiles[slot]), job.IMax,
                   job.JMax,
                   [&job, k](int i, int j, double value) { job.AttribValues.at(k, i, j) = value; });
    }
}

std::string ReadHeaderValue(const std::string& path, const std::string& keyword) {
    return ScanHeaderValue(path, PlainFileLabel(path), keyword).text;
}

long FindBeginDataLine(const std::string& path, const std::string& marker) {
    return static_cast<long>(ScanForMarker(path, PlainFileLabel(path), marker).line);
}

}  // namespace tesselar
