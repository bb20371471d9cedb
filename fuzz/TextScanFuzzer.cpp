// Takes the fuzz input as the whole of an input file and reads it the ways the reader does: line
// by line through TextStream (with the normal buffer and with a tiny one), and as a data file
// whose keyword lines, marker line and values are read in one pass. The lines and values are
// compared with a plain splitting of the bytes into lines. The file lives in a memfd, so nothing
// touches the disk.

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

// A file holding `bytes`, with a path that open(2) accepts. One memfd serves every run.
std::string FileHolding(std::string_view bytes) {
    static const int fd = memfd_create("fuzz-input", MFD_CLOEXEC);
    FUZZ_CHECK(fd >= 0 && ftruncate(fd, 0) == 0 &&
                   pwrite(fd, bytes.data(), bytes.size(), 0) == std::ssize(bytes),
               "cannot fill the memfd");
    return "/proc/self/fd/" + std::to_string(fd);
}

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
        FUZZ_CHECK(stream.Line() == static_cast<std::int64_t>(i + 1) && stream.NextLine(line) &&
                       line == lines[i],
                   "line " + std::to_string(i + 1) + " or its number differs" + where);
    }
    const auto lineAfterEnd = stream.Line();
    FUZZ_CHECK(!stream.NextLine(line) && stream.Line() == lineAfterEnd,
               "a line or a line number after the end" + where);
}

bool Holds(std::string_view line, std::string_view text) {
    return line.find(text) != std::string_view::npos;
}

// The values after the marker line, the first line holding the marker past any empty lines: one
// per line, as the line's own value, until the file ends. With `withHeader`, the X axys file's
// keyword scan comes first on the same stream, and leaves it where the values are found.
void CheckValueFile(const std::string& path, const std::vector<std::string_view>& lines,
                    bool withHeader) {
    const auto marker = std::ranges::find_if(
        lines, [](std::string_view line) { return Holds(line, kBeginDataMarker); });
    const auto markerLine = static_cast<std::int64_t>(marker - lines.begin()) + 1;
    const bool hasMarker = marker != lines.end() && markerLine <= 32767;
    ValueFile file(path, kLabel, {});
    if (withHeader) {
        file.ScanHeader({"SIZE_I", "SIZE_J"});
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
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string path = FileHolding(bytes);

    bool utf16 = false;
    const std::vector<std::string_view> lines = SplitLines(bytes, utf16);
    if (utf16) {
        FUZZ_CHECK(ThrowsInputFileError([&] { TextStream stream(path, kLabel, {}); }),
                   "UTF-16 text accepted");
        return 0;
    }
    if (std::ranges::any_of(lines, [](auto line) { return line.size() > kMaxLineBytes; })) {
        return 0;
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
