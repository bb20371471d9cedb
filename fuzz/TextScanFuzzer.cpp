// Takes the fuzz input as the whole of an input file and reads it the ways the reader does: line
// by line through TextStream (with the normal buffer and with a tiny one), with the keyword and
// marker scans, and as a data file positioned after its marker. Every result is compared with a
// plain splitting of the bytes into lines. The file lives in a memfd, so nothing touches the disk.

#include <sys/mman.h>
#include <unistd.h>

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
#include "readers/ReadFiles.h"
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

// Reads every line, skipping some, and checks each step against `lines`.
void CheckStream(const std::string& path, std::size_t chunkBytes,
                 const std::vector<std::string_view>& lines, std::uint32_t skipPattern) {
    TextStream stream(path, kLabel, chunkBytes);
    const std::string where = " (chunk " + std::to_string(chunkBytes) + ")";
    for (std::size_t i = 0; i <= lines.size(); ++i) {
        const auto lineNumber = static_cast<std::int64_t>(i + 1);
        FUZZ_CHECK(stream.Line() == lineNumber, "Line() is " + std::to_string(stream.Line()) +
                                                    " before reading line " +
                                                    std::to_string(lineNumber) + where);
        const bool ended = i == lines.size();
        FUZZ_CHECK(stream.AtEndOfStream() == ended,
                   "AtEndOfStream wrong at line " + std::to_string(lineNumber) + where);
        FUZZ_CHECK(stream.AtEndOfLine() == (ended || lines[i].empty()),
                   "AtEndOfLine wrong at line " + std::to_string(lineNumber) + where);
        if (ended) {
            break;
        }
        if ((skipPattern >> (i % 32)) & 1U) {
            stream.SkipLine();
        } else {
            const std::string_view line = stream.ReadLine();
            FUZZ_CHECK(line == lines[i], "line " + std::to_string(lineNumber) + " differs" + where);
        }
    }
    const auto lineAfterEnd = stream.Line();
    FUZZ_CHECK(ThrowsInputFileError([&] { stream.ReadLine(); }), "ReadLine past the end" + where);
    FUZZ_CHECK(ThrowsInputFileError([&] { stream.SkipLine(); }), "SkipLine past the end" + where);
    FUZZ_CHECK(stream.Line() == lineAfterEnd, "Line() moved on a failed read" + where);
    stream.Close();
}

// What the keyword and marker scans must find: they read lines from the first until one
// contains `text`, and stop early before an empty line or at the end of the file.
struct ExpectedScan {
    std::size_t lastRead = 0;  // 1-based, 0 when no line was read
    bool found = false;
    std::size_t emptyLine = 0;
};

ExpectedScan Scan(const std::vector<std::string_view>& lines, std::string_view text) {
    ExpectedScan scan;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].empty()) {
            scan.emptyLine = i + 1;
            return scan;
        }
        scan.lastRead = i + 1;
        if (lines[i].find(text) != std::string_view::npos) {
            scan.found = true;
            return scan;
        }
    }
    return scan;
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

// Each file opened costs the sanitizers a large buffer, so only the first keyword also goes
// through the public ReadHeaderValue.
void CheckHeaderValue(const std::string& path, const std::vector<std::string_view>& lines,
                      std::string_view keyword, bool alsoPublic) {
    const ExpectedScan expected = Scan(lines, keyword);
    const HeaderValue header = ScanHeaderValue(path, kLabel, keyword);
    const std::string& value = header.text;
    const std::string what = "header value for '" + std::string(keyword) + "'";
    FUZZ_CHECK(!alsoPublic || ReadHeaderValue(path, std::string(keyword)) == value,
               what + ": the two scans differ");
    FUZZ_CHECK(header.found == expected.found, what + ": found");
    FUZZ_CHECK(header.line == static_cast<std::int64_t>(expected.lastRead), what + ": line");
    FUZZ_CHECK(header.emptyLine == static_cast<std::int64_t>(expected.emptyLine),
               what + ": empty line");
    if (expected.lastRead == 0) {
        FUZZ_CHECK(value.empty(), what + ": text without a line");
        return;
    }
    // At most 10 characters from right after the first ":" (or the line's start), cut only
    // between characters.
    std::string_view source = lines[expected.lastRead - 1];
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

void CheckMarkerScan(const std::string& path, const std::vector<std::string_view>& lines) {
    const ExpectedScan expected = Scan(lines, kBeginDataMarker);
    const long line = FindBeginDataLine(path, std::string(kBeginDataMarker));
    const MarkerLine marker = ScanForMarker(path, kLabel, kBeginDataMarker);
    FUZZ_CHECK(
        line == static_cast<long>(expected.lastRead),
        "marker line " + std::to_string(line) + ", expected " + std::to_string(expected.lastRead));
    FUZZ_CHECK(marker.line == line && marker.found == expected.found &&
                   marker.emptyLine == static_cast<std::int64_t>(expected.emptyLine),
               "marker scan details");
    if (marker.found) {
        FUZZ_CHECK(lines[expected.lastRead - 1].find(kBeginDataMarker) != std::string_view::npos,
                   "the marker line holds no marker");
    }
}

// The values after the marker line: one per line, as the line's own value, until the file ends.
void CheckValueFile(const std::string& path, const std::vector<std::string_view>& lines) {
    const ExpectedScan marker = Scan(lines, kBeginDataMarker);
    const std::size_t first = marker.lastRead;  // index of the first value line
    const auto count = static_cast<std::int64_t>(lines.size() - first);
    try {
        ValueFile file(path, kLabel, count + 1);
        FUZZ_CHECK(marker.lastRead <= 32767, "a marker beyond line 32767 was accepted");
        for (std::size_t i = first; i < lines.size(); ++i) {
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
    } catch (const OverflowError&) {
        FUZZ_CHECK(marker.lastRead > 32767,
                   "overflow for a marker on line " + std::to_string(marker.lastRead));
    }
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
        FUZZ_CHECK(ThrowsInputFileError([&] { TextStream stream(path, kLabel); }),
                   "UTF-16 text accepted");
        FUZZ_CHECK(ThrowsInputFileError([&] { ReadHeaderValue(path, "SIZE_I"); }),
                   "UTF-16 text scanned");
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
    const std::uint32_t pattern = size > 0 ? data[size - 1] * 0x01010101U : 0;
    CheckStream(path, kDefaultChunkBytes, lines, 0);
    CheckStream(path, smallChunk, lines, pattern);
    CheckHeaderValue(path, lines, "SIZE_I", true);
    CheckHeaderValue(path, lines, "SIZE_J", false);
    CheckMarkerScan(path, lines);
    CheckValueFile(path, lines);
    return 0;
}
