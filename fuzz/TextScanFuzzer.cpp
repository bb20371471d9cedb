// Takes the fuzz input as the whole of an input file and reads it the ways the reader does: line
// by line through TextStream (with the normal buffer and with a tiny one), and as a data file
// whose keyword lines, marker line and values are read in one pass. Every result is compared
// with a plain splitting of the bytes into lines. The file lives in a memfd, so nothing touches
// the disk.

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "conversion/ConversionError.h"
#include "readers/HeaderScan.h"
#include "readers/InputFileError.h"
#include "readers/LineValue.h"
#include "readers/TextStream.h"
#include "readers/ValueFile.h"

namespace {

using namespace tesselar;

constexpr const char* kLabel = "Fuzzed file 'input'";

// The lines of the file as a user would count them: breaks are CR LF, LF or a lone CR, a
// final break ends the last line rather than starting an empty one, and a UTF-8 byte order mark
// is not text. Empty when the file is UTF-16 (`utf16` is then set): it starts with a byte order
// mark, or its first four bytes alternate between zero and not zero.
std::vector<std::string_view> SplitLines(std::string_view bytes, bool& utf16) {
    const auto zero = [bytes](std::size_t at) { return bytes[at] == '\0'; };
    utf16 = bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF") ||
            (bytes.size() >= 4 && zero(0) != zero(1) && zero(0) == zero(2) && zero(1) == zero(3));
    std::vector<std::string_view> lines;
    if (utf16) {
        return lines;
    }
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        bytes.remove_prefix(3);
    }
    while (!bytes.empty()) {
        const std::size_t end = bytes.find_first_of("\r\n");
        if (end == std::string_view::npos) {
            lines.push_back(bytes);
            break;
        }
        lines.push_back(bytes.substr(0, end));
        const bool crlf = bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n';
        bytes.remove_prefix(end + (crlf ? 2 : 1));
    }
    return lines;
}

// The input as a file with a path that open(2) accepts. One memfd serves every run.
class MemoryFile {
public:
    MemoryFile() : fd_(memfd_create("fuzz-input", MFD_CLOEXEC)) {
        FUZZ_CHECK(fd_ >= 0, "memfd_create failed");
        path_ = "/proc/self/fd/" + std::to_string(fd_);
    }
    void Fill(std::string_view bytes) const {
        FUZZ_CHECK(ftruncate(fd_, 0) == 0, "ftruncate failed");
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t written =
                pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
            FUZZ_CHECK(written > 0, "pwrite failed");
            done += static_cast<std::size_t>(written);
        }
    }
    const std::string& Path() const { return path_; }

private:
    int fd_;
    std::string path_;
};

template <typename Operation>
bool ThrowsInputFileError(Operation operation) {
    try {
        operation();
    } catch (const InputFileError&) {
        return true;
    }
    return false;
}

// Reads every line and checks each against `lines`.
void CheckStream(const std::string& path, std::size_t chunkBytes,
                 const std::vector<std::string_view>& lines) {
    TextStream stream(path, kLabel, {}, chunkBytes);
    const std::string where = " (chunk " + std::to_string(chunkBytes) + ")";
    std::string_view line;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto lineNumber = static_cast<std::int64_t>(i + 1);
        FUZZ_CHECK(stream.Line() == lineNumber, "Line() is " + std::to_string(stream.Line()) +
                                                    " before reading line " +
                                                    std::to_string(lineNumber) + where);
        FUZZ_CHECK(stream.NextLine(line),
                   "the file ended before line " + std::to_string(lineNumber) + where);
        FUZZ_CHECK(line == lines[i], "line " + std::to_string(lineNumber) + " differs" + where);
    }
    const auto lineAfterEnd = stream.Line();
    FUZZ_CHECK(!stream.NextLine(line), "a line after the end" + where);
    FUZZ_CHECK(stream.Line() == lineAfterEnd, "Line() moved at the end" + where);
}

bool IsUtf8Continuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0U) == 0x80U;
}

std::size_t CharacterCount(std::string_view text) {
    std::size_t count = 0;
    for (const char c : text) {
        count += IsUtf8Continuation(c) ? 0 : 1;
    }
    return count;
}

bool Holds(std::string_view line, std::string_view text) {
    return line.find(text) != std::string_view::npos;
}

// The value text of a keyword line: at most 10 characters from right after the first ":" (or
// the line's start), cut only between characters.
void CheckValueText(std::string_view source, const std::string& value, const std::string& what) {
    if (const auto colon = source.find(':'); colon != std::string_view::npos) {
        source.remove_prefix(colon + 1);
    }
    FUZZ_CHECK(source.starts_with(value), what + ": not the text after the colon");
    FUZZ_CHECK(CharacterCount(value) <= kValueTextLength, what + ": longer than 10 characters");
    if (value.size() < source.size()) {
        FUZZ_CHECK(CharacterCount(value) == kValueTextLength, what + ": cut short");
        FUZZ_CHECK(!IsUtf8Continuation(source[value.size()]), what + ": cut inside a character");
    }
}

// The keyword lines stand above the first empty line and the marker line. The scan stops there,
// at the end of the file, or once both keywords are found.
void CheckHeader(ValueFile& file, const std::vector<std::string_view>& lines) {
    constexpr std::string_view kKeywords[] = {"SIZE_I", "SIZE_J"};
    const HeaderKeywords header = file.ScanHeader({kKeywords[0], kKeywords[1]});
    std::size_t found[2] = {0, 0};
    HeaderStop stop{HeaderEnd::kEndOfFile, 0};
    for (std::size_t i = 0; i < lines.size() && (found[0] == 0 || found[1] == 0); ++i) {
        const auto number = static_cast<std::int64_t>(i + 1);
        if (lines[i].empty() || Holds(lines[i], kBeginDataMarker)) {
            stop = {lines[i].empty() ? HeaderEnd::kEmptyLine : HeaderEnd::kMarkerLine, number};
            break;
        }
        for (std::size_t k = 0; k < 2; ++k) {
            if (found[k] == 0 && Holds(lines[i], kKeywords[k])) {
                found[k] = i + 1;
            }
        }
        stop.line = number;
    }
    for (std::size_t k = 0; k < 2; ++k) {
        const std::string what = "keyword '" + std::string(kKeywords[k]) + "'";
        const KeywordLine& line = header.lines[k];
        FUZZ_CHECK(line.line == static_cast<std::int64_t>(found[k]), what + ": line");
        if (found[k] > 0) {
            CheckValueText(lines[found[k] - 1], line.text, what);
        }
    }
    if (found[0] == 0 || found[1] == 0) {
        FUZZ_CHECK(header.stop.end == stop.end && header.stop.line == stop.line,
                   "where the keyword scan stopped");
    }
}

// The values after the marker line, the first line holding the marker past any empty lines: one
// per line, as the line's own value, until the file ends. With `withHeader`, the X axys file's
// keyword scan comes first on the same stream.
void CheckValueFile(const std::string& path, const std::vector<std::string_view>& lines,
                    bool withHeader) {
    const auto marker = std::ranges::find_if(
        lines, [](std::string_view line) { return Holds(line, kBeginDataMarker); });
    const auto markerLine = static_cast<std::int64_t>(marker - lines.begin()) + 1;
    const bool hasMarker = marker != lines.end() && markerLine <= 32767;
    ValueFile file(path, kLabel, {});
    if (withHeader) {
        CheckHeader(file, lines);
    }
    const auto count = hasMarker ? static_cast<std::int64_t>(lines.size()) - markerLine : 0;
    try {
        file.StartValues(count + 1);
        FUZZ_CHECK(hasMarker, "values read from a file without a marker within line 32767");
    } catch (const ConversionError&) {
        FUZZ_CHECK(!hasMarker, "no marker found on line " + std::to_string(markerLine));
        return;
    }
    for (auto i = static_cast<std::size_t>(markerLine); i < lines.size(); ++i) {
        double expected = 0.0;
        if (!ReadLineValue(lines[i], expected)) {
            FUZZ_CHECK(ThrowsInputFileError([&] { file.Next(); }),
                       "a value beyond range was accepted on line " + std::to_string(i + 1));
            return;
        }
        const double value = file.Next();
        FUZZ_CHECK(value == expected, "value line " + std::to_string(i + 1) + " differs");
    }
    FUZZ_CHECK(ThrowsInputFileError([&] { file.Next(); }), "a value read past the end");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const MemoryFile file;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    file.Fill(bytes);
    const std::string& path = file.Path();

    bool utf16 = false;
    const std::vector<std::string_view> lines = SplitLines(bytes, utf16);
    if (utf16) {
        FUZZ_CHECK(ThrowsInputFileError([&] { TextStream stream(path, kLabel, {}); }),
                   "UTF-16 text accepted");
        return 0;
    }
    for (const auto& line : lines) {
        if (line.size() > kMaxLineBytes) {
            return 0;
        }
    }

    // A small chunk puts buffer boundaries everywhere, between a CR and its LF among them; a
    // chunk of one byte per refill would make long inputs crawl.
    const std::size_t smallChunk = size <= 2048 ? 1 + size % 7 : 61 + size % 67;
    CheckStream(path, kDefaultChunkBytes, lines);
    CheckStream(path, smallChunk, lines);
    CheckValueFile(path, lines, true);
    CheckValueFile(path, lines, false);
    return 0;
}
