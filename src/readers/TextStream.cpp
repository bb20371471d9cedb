#include "readers/TextStream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "conversion/ConversionError.h"
#include "conversion/SystemErrorText.h"
#include "readers/InputFileError.h"

namespace tesselar {

namespace {

// What the file is when it cannot hold text read once from start to end: a folder, or a device
// or socket whose bytes never end (/dev/zero), never come (/dev/null reads as empty) or belong
// to something else (a terminal, a disk). Regular files, pipes and FIFOs are read.
const char* NotATextFile(mode_t mode) {
    if (S_ISDIR(mode)) {
        return "a directory";
    }
    if (S_ISCHR(mode)) {
        return "a character device";
    }
    if (S_ISBLK(mode)) {
        return "a block device";
    }
    if (S_ISSOCK(mode)) {
        return "a socket";
    }
    return nullptr;
}

}  // namespace

void TextStream::FileHandle::Reset() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

TextStream::TextStream(const std::string& path, std::string label, StopRequest stop,
                       std::size_t chunkBytes)
    : label_(std::move(label)), stop_(stop), chunkBytes_(chunkBytes == 0 ? 1 : chunkBytes) {
    if (path.empty()) {
        throw InputFileError(label_ + ": no file name given");
    }
    const auto refuseNonText = [this](const struct stat& status) {
        if (const char* kind = NotATextFile(status.st_mode)) {
            throw InputFileError(label_ + ": is " + kind + ", not a text file");
        }
    };
    // Checked before opening too: opening a device may block or act on it (a terminal, a
    // tape), and a socket does not open at all.
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0) {
        refuseNonText(status);
    }
    // Opening a FIFO waits for a program to open it for writing.
    int fd = -1;
    while ((fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC)) < 0 && errno == EINTR) {
        if (stop_.Requested()) {
            ThrowInterrupted();
        }
    }
    if (fd < 0) {
        throw InputFileError(label_ + ": cannot open the file: " + SystemErrorText(errno));
    }
    file_.Set(fd);
    if (::fstat(fd, &status) != 0) {
        throw InputFileError(label_ + ": cannot open the file: " + SystemErrorText(errno));
    }
    refuseNonText(status);
    // Room for the longest line allowed, a CR whose LF is still unread, and one more chunk.
    buffer_.reset(new char[kMaxLineBytes + 1 + chunkBytes_]);
    pos_ = buffer_.get();
    end_ = pos_;
    CheckEncoding();
}

TextStream::~TextStream() = default;

void TextStream::CheckEncoding() {
    while (end_ - pos_ < 4 && Refill()) {
    }
    const auto size = end_ - pos_;
    const auto byte = [this](int index) { return static_cast<unsigned char>(pos_[index]); };
    const bool byteOrderMark =
        size >= 2 && ((byte(0) == 0xFF && byte(1) == 0xFE) || (byte(0) == 0xFE && byte(1) == 0xFF));
    // Without a mark, UTF-16 shows as text whose every other byte is 0.
    const bool zeroInterleaved =
        size >= 4 && ((byte(0) != 0 && byte(1) == 0 && byte(2) != 0 && byte(3) == 0) ||
                      (byte(0) == 0 && byte(1) != 0 && byte(2) == 0 && byte(3) != 0));
    if (byteOrderMark || zeroInterleaved) {
        throw InputFileError(label_ +
                             ": the file is UTF-16 text; save it as plain text (8-bit or UTF-8) "
                             "and try again");
    }
    if (size >= 3 && byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF) {
        pos_ += 3;
    }
}

bool TextStream::NextLineRefilling(std::string_view& line) {
    while (!eof_) {
        // The unread data holds no break but perhaps a final CR: it is all one line so far.
        auto pending = static_cast<std::size_t>(end_ - pos_);
        if (pending > 0 && end_[-1] == '\r') {
            --pending;
        }
        if (pending > kMaxLineBytes) {
            ThrowLineTooLong();
        }
        Refill();
        const char* p = FindBreak();
        if (p != end_ && !(p + 1 == end_ && *p == '\r' && !eof_)) {
            const char* next = p + 1;
            if (*p == '\r' && next != end_ && *next == '\n') {
                ++next;
            }
            TakeLine(line, p, next);
            return true;
        }
    }
    if (pos_ == end_) {
        return false;
    }
    // The last line, without a break or ending in a lone CR.
    const char* p = FindBreak();
    TakeLine(line, p, p == end_ ? p : p + 1);
    return true;
}

bool TextStream::Refill() {
    char* base = buffer_.get();
    const auto pending = static_cast<std::size_t>(end_ - pos_);
    if (pos_ != base) {
        std::memmove(base, pos_, pending);
        pos_ = base;
        end_ = base + pending;
    }
    for (;;) {
        if (stop_.Requested()) {
            ThrowInterrupted();
        }
        const ssize_t count = ::read(file_.Get(), base + pending, chunkBytes_);
        if (count > 0) {
            end_ += count;
            return true;
        }
        if (count == 0) {
            eof_ = true;
            return false;
        }
        if (errno != EINTR) {
            throw InputFileError(label_ + ": cannot read line " + std::to_string(line_) + ": " +
                                 SystemErrorText(errno));
        }
    }
}

void TextStream::ThrowLineTooLong() const {
    throw InputFileError(label_ + ": line " + std::to_string(line_) +
                         " is longer than 1 MiB; the file does not look like a text file of "
                         "one value per line");
}

void TextStream::ThrowInterrupted() const {
    throw Interrupted(stop_.Signal(),
                      "reading " + label_ + " (line " + std::to_string(line_) + ")");
}

}  // namespace tesselar
