#include "readers/ValueFile.h"

#include <limits>

#include "conversion/ConversionError.h"
#include "conversion/PrintableText.h"
#include "readers/InputFileError.h"

namespace tesselar {

namespace {

constexpr std::size_t kQuotedLineLength = 40;
// The marker line number is a 16-bit count: a header may not run beyond line 32767.
constexpr std::int64_t kLastMarkerLine = std::numeric_limits<std::int16_t>::max();

std::string Quoted(std::string_view line) {
    if (line.size() > kQuotedLineLength) {
        return "'" + PrintableText(line.substr(0, kQuotedLineLength)) + "...'";
    }
    return "'" + PrintableText(line) + "'";
}

bool HoldsMarker(std::string_view line) {
    return line.find(kBeginDataMarker) != std::string_view::npos;
}

std::string MissingMarker() {
    return "the file has no \"" + std::string(kBeginDataMarker) + "\" line";
}

}  // namespace

ValueFile::ValueFile(const std::string& path, const std::string& label, StopRequest stop)
    : stream_(path, label, stop) {}

HeaderKeywords ValueFile::ScanHeader(std::initializer_list<std::string_view> keywords) {
    HeaderKeywords header;
    header.lines.resize(keywords.size());
    std::size_t missing = keywords.size();
    std::string_view line;
    while (missing > 0 && stream_.NextLine(line)) {
        const std::int64_t number = stream_.Line() - 1;
        if (line.empty()) {
            header.stop = {HeaderEnd::kEmptyLine, number};
            return header;
        }
        if (HoldsMarker(line)) {
            markerLine_ = number;
            header.stop = {HeaderEnd::kMarkerLine, number};
            return header;
        }
        auto found = header.lines.begin();
        for (const std::string_view keyword : keywords) {
            if (found->line == 0 && line.find(keyword) != std::string_view::npos) {
                found->text.assign(KeywordValueText(line));
                found->line = number;
                --missing;
            }
            ++found;
        }
    }
    header.stop = {HeaderEnd::kEndOfFile, stream_.Line() - 1};
    return header;
}

void ValueFile::StartValues(std::int64_t valueCount) {
    valueCount_ = valueCount;
    std::string_view line;
    // A marker below line 32767 is refused anyway: reading stops one line past it.
    while (markerLine_ == 0 && stream_.Line() <= kLastMarkerLine + 1) {
        if (!stream_.NextLine(line)) {
            throw InputFileError(stream_.Label() + ": " + MissingMarker());
        }
        if (HoldsMarker(line)) {
            markerLine_ = stream_.Line() - 1;
        }
    }
    if (markerLine_ == 0) {
        throw InputFileError(stream_.Label() + ": " + MissingMarker() + " within its first " +
                             std::to_string(kLastMarkerLine) + " lines");
    }
    if (markerLine_ > kLastMarkerLine) {
        throw OverflowError(stream_.Label() + ": its \"" + std::string(kBeginDataMarker) +
                            "\" line is line " + std::to_string(markerLine_) +
                            "; it must stand within the first " + std::to_string(kLastMarkerLine) +
                            " lines");
    }
}

void ValueFile::ThrowEnded() const {
    throw InputFileError(stream_.Label() + ": the file ends at line " +
                         std::to_string(stream_.Line()) + " before all " +
                         std::to_string(valueCount_) + " values after its \"" +
                         std::string(kBeginDataMarker) + "\" line were read");
}

void ValueFile::CountReadAsZero(std::string_view line, bool zeroWithDigits) {
    const WrittenNumber written = NumberAsWritten(line);
    if (written == WrittenNumber::kZero) {
        return;
    }
    const auto count = [&](CountedLines& lines) {
        if (lines.count == 0) {
            lines.first = Quoted(line) + " on line " + std::to_string(stream_.Line() - 1) + " of " +
                          stream_.Label();
        }
        ++lines.count;
    };
    if (written == WrittenNumber::kNone) {
        count(noNumber_);
        return;
    }
    count(zeroed_);
    if (zeroWithDigits) {
        count(zeroedWithDigits_);
    }
}

void ValueFile::ThrowBeyondRange(std::string_view line) const {
    throw InputFileError(stream_.Label() + ": the value " + Quoted(line) + " on line " +
                         std::to_string(stream_.Line() - 1) + " lies beyond the range of a double");
}

}  // namespace tesselar
