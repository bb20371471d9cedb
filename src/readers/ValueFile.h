#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "readers/HeaderScan.h"
#include "readers/LineValue.h"
#include "readers/TextStream.h"

namespace tesselar {

// The value lines of a data file (an axys or attribute file): opened, positioned on the line
// after the file's own "<BeginData>" line, and read one value per line. The file is released
// when the object goes.
class ValueFile {
public:
    // `valueCount` is the number of values the caller will read; messages quote it.
    ValueFile(const std::string& path, const std::string& label, std::int64_t valueCount);

    // The next line's value, rounded to hundredths. Throws InputFileError when the file has
    // ended or the value lies beyond the range of a double.
    double Next();

private:
    [[noreturn]] void ThrowEnded() const;
    [[noreturn]] void ThrowBeyondRange(std::string_view line) const;

    TextStream stream_;
    MarkerLine marker_;
    std::int64_t valueCount_;
};

inline double ValueFile::Next() {
    std::string_view line;
    if (!stream_.NextLine(line)) {
        ThrowEnded();
    }
    double value = 0.0;
    if (!ReadLineValue(line, value)) {
        ThrowBeyondRange(line);
    }
    return value;
}

}  // namespace tesselar
