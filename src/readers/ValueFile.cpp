#include "readers/ValueFile.h"

#include <limits>

#include "conversion/ConversionError.h"
#include "readers/InputFileError.h"
#include "readers/PrintableText.h"

namespace tesselar {

namespace {

constexpr std::size_t kQuotedLineLength = 40;

std::string Quoted(std::string_view line) {
    if (line.size() > kQuotedLineLength) {
        return "'" + PrintableText(line.substr(0, kQuotedLineLength)) + "...'";
    }
    return "'" + PrintableText(line) + "'";
}

std::string MissingMarker(const MarkerLine& marker) {
    std::string text = "the file has no \"" + std::string(kBeginDataMarker) + "\" line";
    if (marker.emptyLine > 0) {
        text += " above its first empty line (line " + std::to_string(marker.emptyLine) + ")";
    }
    return text;
}

// The marker line number is a 16-bit count: a header may not run beyond line 32767.
void CheckMarkerLine(const std::string& label, const MarkerLine& marker) {
    constexpr std::int64_t kLastLine = std::numeric_limits<std::int16_t>::max();
    if (marker.line <= kLastLine) {
        return;
    }
    if (marker.found) {
        throw OverflowError(label + ": its \"" + std::string(kBeginDataMarker) +
                            "\" line is line " + std::to_string(marker.line) +
                            "; it must stand within the first " + std::to_string(kLastLine) +
                            " lines");
    }
    throw OverflowError(label + ": " + MissingMarker(marker) + ", and values after line " +
                        std::to_string(marker.line) + " lie beyond the first " +
                        std::to_string(kLastLine) + " lines");
}

}  // namespace

ValueFile::ValueFile(const std::string& path, const std::string& label, std::int64_t valueCount)
    : stream_(path, label),
      marker_(ScanForMarker(path, label, kBeginDataMarker)),
      valueCount_(valueCount) {
    CheckMarkerLine(label, marker_);
    while (stream_.Line() <= marker_.line) {
        stream_.SkipLine();
    }
}

void ValueFile::ThrowEnded() const {
    std::string message = stream_.Label() + ": the file ends at line " +
                          std::to_string(stream_.Line()) + " before all " +
                          std::to_string(valueCount_) + " values";
    if (marker_.found) {
        message += " after its \"" + std::string(kBeginDataMarker) + "\" line were read";
    } else {
        message += " were read; " + MissingMarker(marker_);
        if (marker_.emptyLine > 0) {
            message += ", so the values were read from that line on";
        }
    }
    throw InputFileError(message);
}

void ValueFile::ThrowBeyondRange(std::string_view line) const {
    throw InputFileError(stream_.Label() + ": the value " + Quoted(line) + " on line " +
                         std::to_string(stream_.Line() - 1) + " lies beyond the range of a double");
}

}  // namespace tesselar
