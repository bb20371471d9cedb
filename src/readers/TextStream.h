#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "conversion/StopRequest.h"

namespace tesselar {

inline constexpr std::size_t kDefaultChunkBytes = 256 * 1024;
inline constexpr std::size_t kMaxLineBytes = 1024 * 1024;

// Reads a text file line by line in one forward pass. The file is streamed through a buffer
// filled with read(2) in large chunks; a line is handed out as a view into that buffer, so
// reading a line allocates nothing. Line breaks are CR LF, LF or a lone CR.
//
// The file is opened once and read once, so a pipe or FIFO (`<(zcat t.dat.gz)`, /dev/stdin)
// reads as the same bytes in a regular file would.
//
// `label` names the file in every error message ("X axys file 'x.dat'"). Errors throw
// InputFileError: the file cannot be opened, is a directory, a device or a socket, is UTF-16
// text, cannot be read, or holds a line longer than kMaxLineBytes. A UTF-8 byte order mark at
// the start of the file is not part of its first line.
//
// `stop` is asked before every chunk, and whenever a signal breaks off opening or reading (a
// FIFO no program writes to, a pipe that delivers nothing): once requested, the stream throws
// Interrupted instead of waiting on.
class TextStream {
public:
    TextStream(const std::string& path, std::string label, StopRequest stop,
               std::size_t chunkBytes = kDefaultChunkBytes);
    ~TextStream();
    TextStream(const TextStream&) = delete;
    TextStream& operator=(const TextStream&) = delete;

    // The 1-based number of the line the next read returns.
    std::int64_t Line() const { return line_; }
    // The next line without its break, valid until the next call on the stream; false at the
    // end of the file.
    bool NextLine(std::string_view& line);

    const std::string& Label() const { return label_; }

private:
    // Closes the file descriptor it holds when destroyed.
    class FileHandle {
    public:
        FileHandle() = default;
        ~FileHandle() { Reset(); }
        FileHandle(const FileHandle&) = delete;
        FileHandle& operator=(const FileHandle&) = delete;
        int Get() const { return fd_; }
        void Set(int fd) { fd_ = fd; }
        void Reset();

    private:
        int fd_ = -1;
    };

    bool NextLineRefilling(std::string_view& line);
    // The first CR or LF of the unread data, or its end.
    const char* FindBreak() const;
    // Moves the unread data to the start of the buffer and appends one chunk; false at the end
    // of the file.
    bool Refill();
    void TakeLine(std::string_view& line, const char* lineEnd, const char* next);
    [[noreturn]] void ThrowLineTooLong() const;
    [[noreturn]] void ThrowInterrupted() const;
    void CheckEncoding();

    std::string label_;
    StopRequest stop_;
    FileHandle file_;
    std::size_t chunkBytes_;
    std::unique_ptr<char[]> buffer_;
    const char* pos_ = nullptr;
    const char* end_ = nullptr;
    bool eof_ = false;
    std::int64_t line_ = 1;
};

inline bool TextStream::NextLine(std::string_view& line) {
    const char* p = FindBreak();
    // Without a break in the buffer, or with a CR whose LF may start the next chunk, the line
    // needs more data.
    if (p == end_ || (p + 1 == end_ && *p == '\r' && !eof_)) {
        return NextLineRefilling(line);
    }
    const char* next = p + 1;
    if (*p == '\r' && next != end_ && *next == '\n') {
        ++next;
    }
    TakeLine(line, p, next);
    return true;
}

inline const char* TextStream::FindBreak() const {
    const char* p = pos_;
    if constexpr (std::endian::native == std::endian::little) {
        // Eight bytes at a time: a byte equal to b shows as the lowest high bit set in
        // (x - 0x01..01) & ~x & 0x80..80 with x = word ^ (0x01..01 * b).
        constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
        constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
        while (end_ - p >= 8) {
            std::uint64_t word = 0;
            std::memcpy(&word, p, sizeof word);
            const std::uint64_t lf = word ^ (kOnes * '\n');
            const std::uint64_t cr = word ^ (kOnes * '\r');
            const std::uint64_t found = (((lf - kOnes) & ~lf) | ((cr - kOnes) & ~cr)) & kHighBits;
            if (found != 0) {
                return p + std::countr_zero(found) / 8;
            }
            p += 8;
        }
    }
    while (p != end_ && *p != '\n' && *p != '\r') {
        ++p;
    }
    return p;
}

inline void TextStream::TakeLine(std::string_view& line, const char* lineEnd, const char* next) {
    const auto length = static_cast<std::size_t>(lineEnd - pos_);
    if (length > kMaxLineBytes) {
        ThrowLineTooLong();
    }
    line = std::string_view(pos_, length);
    pos_ = next;
    ++line_;
}

}  // namespace tesselar
