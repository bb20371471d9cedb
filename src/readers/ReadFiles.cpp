#include "readers/ReadFiles.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

#include "conversion/ConversionError.h"
#include "conversion/FileLabels.h"
#include "conversion/PrintableText.h"
#include "readers/AsciiCharacters.h"
#include "readers/AttributeNames.h"
#include "readers/CoordinateDigits.h"
#include "readers/CoordinatesAsRead.h"
#include "readers/GridSize.h"
#include "readers/HeaderScan.h"
#include "readers/InputFileError.h"
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

std::string Quoted(std::string_view keyword) {
    return "\"" + std::string(keyword) + "\"";
}

// Why no keyword line was found: where the scan for it stopped.
std::string MissingKeyword(std::string_view keyword, const HeaderStop& stop) {
    const std::string missing = "there is no " + Quoted(keyword) + " line";
    switch (stop.end) {
        case HeaderEnd::kEmptyLine:
            return missing + " above the first empty line (line " + std::to_string(stop.line) + ")";
        case HeaderEnd::kMarkerLine:
            return missing + " above the " + Quoted(kBeginDataMarker) + " line (line " +
                   std::to_string(stop.line) + ")";
        case HeaderEnd::kEndOfFile:
            break;
    }
    if (stop.line == 0) {
        return missing + ": the file is empty";
    }
    return missing + " in the file, which ends at line " + std::to_string(stop.line) +
           " without an empty line or a " + Quoted(kBeginDataMarker) + " line";
}

std::string SizeSource(const KeywordLine& line, std::string_view keyword) {
    return "the " + Quoted(keyword) + " value '" + PrintableText(line.text) + "' on line " +
           std::to_string(line.line);
}

// IMax or JMax: the grid size on the keyword line of `size`, minus 1.
std::int16_t Extent(const std::string& label, const HeaderKeywords& header, std::size_t index,
                    const SizeKeyword& size, double largestExtent) {
    const KeywordLine& line = header.lines[index];
    if (line.line == 0) {
        throw InputFileError(label + ": " + MissingKeyword(size.keyword, header.stop));
    }
    const auto number = ParseGridSize(line.text);
    if (!number && IsBlankText(line.text)) {
        throw InputFileError(label + ": the " + Quoted(size.keyword) + " value on line " +
                             std::to_string(line.line) +
                             " is blank: the number must begin within the " +
                             std::to_string(kValueTextLength) + " characters after the \":\"");
    }
    if (!number) {
        throw InputFileError(label + ": " + SizeSource(line, size.keyword) + " is not a number");
    }
    const double extent = GridExtent(*number);
    if (extent < 0) {
        throw InputFileError(label + ": " + SizeSource(line, size.keyword) +
                             " is less than 1, the smallest grid size");
    }
    if (extent > largestExtent) {
        throw OverflowError(label + ": " + SizeSource(line, size.keyword) +
                            " is too large: " + size.limit);
    }
    return static_cast<std::int16_t>(extent);
}

// Reads rows x columns values, row by row, through read(i, j) for i and j counted from 1.
template <class Read>
void ReadValues(ValueFile& file, int rows, int columns, Read read) {
    file.StartValues(std::int64_t{rows} * columns);
    for (int i = 1; i <= rows; ++i) {
        for (int j = 1; j <= columns; ++j) {
            read(i, j);
        }
    }
}

// One axys file's values into `kept`: with their digits as read, or rounded to hundredths and
// also, in `withDigits`, as read.
void ReadCoordinates(ValueFile& file, int rows, int columns, bool keepDigits, Array2D& kept,
                     CoordinatesAsRead& withDigits) {
    file.StartValues(std::int64_t{rows} * columns);
    for (int i = 1; i <= rows; ++i) {
        double* keptRow = kept.Row(i);
        if (keepDigits) {
            for (int j = 1; j <= columns; ++j) {
                keptRow[j] = file.NextWithDigits();
            }
        } else {
            for (int j = 1; j <= columns; ++j) {
                double read = 0.0;
                file.NextBoth(keptRow[j], read);
                withDigits.Keep(i, j, keptRow[j], read);
            }
        }
    }
}

// The cells or particles that the rounded coordinates change; when there are any, the
// coordinates as read take the rounded ones' place.
std::int64_t KeepDigitsWhereRoundingChanges(ConversionJob& job, const CoordinatesAsRead& xRead,
                                            const CoordinatesAsRead& yRead) {
    const NodeCoordinates rounded{job.XCoords, job.YCoords};
    const NodesAsRead read{xRead, yRead};
    const std::int64_t changed = job.ShapeType == ShapeType::Polygon
                                     ? CellsChangedByRounding(rounded, read, job.IMax, job.JMax)
                                     : ParticlesCoinciding(rounded, read, job.IMax);
    if (changed > 0) {
        xRead.Restore(job.XCoords);
        yRead.Restore(job.YCoords);
    }
    return changed;
}

void CheckAttributeCount(const ConversionJob& job) {
    if (job.AttribCount < 0 || job.AttribCount > kMaxAttributes) {
        throw IndexError("the attribute count " + std::to_string(job.AttribCount) +
                         " lies outside 0 to " + std::to_string(kMaxAttributes));
    }
}

}  // namespace

ReadSummary ReadInputData(ConversionJob& job, const SizesRead& sizesRead, StopRequest stop,
                          const ReadOptions& options) {
    const bool polygons = job.ShapeType == ShapeType::Polygon;
    CheckAttributeCount(job);
    CheckAttributeNames(job);

    // The X axys file is read in one pass: its keyword lines, then its values.
    const std::string xLabel = XAxysFileLabel(job.XAxysFile);
    std::optional<ValueFile> xFile(std::in_place, job.XAxysFile, xLabel, stop);
    if (polygons) {
        // Nodes run to IMax + 1 and JMax + 1, which must fit 16 bits as well.
        const HeaderKeywords header =
            xFile->ScanHeader({kPolygonSizeI.keyword, kPolygonSizeJ.keyword});
        job.IMax = Extent(xLabel, header, 0, kPolygonSizeI, kLargestExtent - 1);
        job.JMax = Extent(xLabel, header, 1, kPolygonSizeJ, kLargestExtent - 1);
    } else {
        const HeaderKeywords header = xFile->ScanHeader({kPointSizeI.keyword});
        job.IMax = Extent(xLabel, header, 0, kPointSizeI, kLargestExtent);
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

    // Unless every digit is kept, the coordinates are read in two forms: rounded, and as read
    // for the cells or particles that rounding would change.
    CoordinatesAsRead xRead;
    CoordinatesAsRead yRead;
    if (!options.keepDigits) {
        xRead = CoordinatesAsRead(nodeUpperI, nodeUpperJ, "XCoords");
        yRead = CoordinatesAsRead(nodeUpperI, nodeUpperJ, "YCoords");
    }
    ReadSummary summary;
    // Coordinates that keep their digits are 0 only when too small for a double.
    ZeroedValues zeroedRounded;
    ZeroedValues zeroedWithDigits;
    const auto countCoordinates = [&](const ValueFile& file) {
        zeroedRounded.Add(file.Zeroed());
        zeroedWithDigits.Add(file.ZeroedWithDigits());
        summary.noNumber.Add(file.NoNumber());
    };
    ReadCoordinates(*xFile, nodeUpperI, nodeColumns, options.keepDigits, job.XCoords, xRead);
    countCoordinates(*xFile);
    xFile.reset();
    {
        ValueFile yFile(job.YAxysFile, YAxysFileLabel(job.YAxysFile), stop);
        ReadCoordinates(yFile, nodeUpperI, nodeColumns, options.keepDigits, job.YCoords, yRead);
        countCoordinates(yFile);
    }
    summary.shapeCount = polygons ? std::int64_t{job.IMax} * job.JMax : job.IMax;
    if (!options.keepDigits) {
        summary.changedShapes = KeepDigitsWhereRoundingChanges(job, xRead, yRead);
    }
    summary.zeroed.Add(summary.changedShapes > 0 ? zeroedWithDigits : zeroedRounded);
    xRead = CoordinatesAsRead();  // their memory goes before the attributes are read
    yRead = CoordinatesAsRead();

    for (int k = 1; k <= job.AttribCount; ++k) {
        const auto slot = static_cast<std::size_t>(k);
        ValueFile file(job.AttribFiles[slot],
                       AttributeFileLabel(job.AttribNames[slot], job.AttribFiles[slot]), stop);
        ReadValues(file, job.IMax, job.JMax, [&](int i, int j) {
            job.AttribValues.at(k, i, j) = options.keepDigits ? file.NextWithDigits() : file.Next();
        });
        summary.zeroed.Add(file.Zeroed());
        summary.noNumber.Add(file.NoNumber());
    }
    return summary;
}

}  // namespace tesselar
