#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "readers/HeaderScan.h"
#include "readers/LineValue.h"
#include "readers/TextStream.h"
#include "readers/ZeroedValues.h"

namespace tesselar {

// The keyword lines of a header, and where the scan for them stopped.
struct HeaderKeywords {
    std::vector<KeywordLine> lines;  // one per keyword asked for, in that order
    HeaderStop stop;                 // meaningful when a keyword was not found
};

// A data file (an axys or attribute file) read in one pass from one open of the file: first,
// for the X axys file, the keyword lines of its header; then its "<BeginData>" line; then one
// value per line from the line after it on. The file is released when the object goes.
class ValueFile {
public:
    // `stop` as TextStream takes it.
    ValueFile(const std::string& path, const std::string& label, StopRequest stop);

    // Reads the header from the first line until every keyword is found, or else to the first
    // empty line, the "<BeginData>" line or the end of the file, whichever comes first: the
    // keyword lines stand above all three. Only before StartValues.
    HeaderKeywords ScanHeader(std::initializer_list<std::string_view> keywords);

    // Reads on to the line after the "<BeginData>" line, the first line that holds it, past any
    // empty lines. `valueCount` is the number of values the caller will read; messages quote
    // it. Throws InputFileError when the file has no such line, OverflowError when it stands
    // beyond line 32767.
    void StartValues(std::int64_t valueCount);

    // The next line's value, rounded to hundredths (ReadLineValue). Throws InputFileError when
    // the file has ended or the value lies beyond the range of a double.
    double Next();
    // The next line's value with every digit as written (ReadLineDigits); throws as Next.
    double NextWithDigits();
    // Both readings of the next line, for a value that keeps its digits only when rounding
    // would lose what matters; throws as Next.
    void NextBoth(double& rounded, double& withDigits);

    // The values so far that were other than 0 as written but were read as 0: rounded to
    // hundredths (Next, NextBoth), or too small for a double (NextWithDigits).
    const ZeroedValues& Zeroed() const { return zeroed_; }
    // Of those read by NextBoth, the ones that are 0 with every digit as well.
    const ZeroedValues& ZeroedWithDigits() const { return zeroedWithDigits_; }
    // The value lines so far that held no number and were read as 0.
    const NoNumberLines& NoNumber() const { return noNumber_; }

private:
    std::string_view NextLine();
    // Counts a line read as 0 by why it was: no number, or a number other than 0 that the
    // reading made 0 (`zeroWithDigits`: with every digit too).
    void CountReadAsZero(std::string_view line, bool zeroWithDigits);
    [[noreturn]] void ThrowEnded() const;
    [[noreturn]] void ThrowBeyondRange(std::string_view line) const;

    TextStream stream_;
    std::int64_t markerLine_ = 0;  // 0 until the "<BeginData>" line is read
    std::int64_t valueCount_ = 0;
    ZeroedValues zeroed_;
    ZeroedValues zeroedWithDigits_;
    NoNumberLines noNumber_;
};

inline std::string_view ValueFile::NextLine() {
    std::string_view line;
    if (!stream_.NextLine(line)) {
        ThrowEnded();
    }
    return line;
}

inline double ValueFile::Next() {
    const std::string_view line = NextLine();
    double value = 0.0;
    if (!ReadLineValue(line, value)) {
        ThrowBeyondRange(line);
    }
    if (value == 0.0) {
        CountReadAsZero(line, false);
    }
    return value;
}

inline double ValueFile::NextWithDigits() {
    const std::string_view line = NextLine();
    double value = 0.0;
    if (!ReadLineDigits(line, value)) {
        ThrowBeyondRange(line);
    }
    if (value == 0.0) {
        CountReadAsZero(line, true);
    }
    return value;
}

inline void ValueFile::NextBoth(double& rounded, double& withDigits) {
    const std::string_view line = NextLine();
    if (!ReadLineBoth(line, rounded, withDigits)) {
        ThrowBeyondRange(line);
    }
    if (rounded == 0.0) {
        CountReadAsZero(line, withDigits == 0.0);
    }
}

}  // namespace tesselar
