#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <vector>

#include "controls/shapefile/OutputFiles.h"
#include "controls/shapefile/ShapeFileError.h"
#include "conversion/SystemErrorText.h"

namespace tesselar {

namespace {

[[noreturn]] void ThrowCannotWrite(const std::string& name, int error) {
    throw ShapeFileError("cannot write '" + name + "': " + SystemErrorText(error));
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string FileNameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// mkstemp makes files that only their owner may read; a shapefile is an ordinary document and
// gets the permissions the user's umask gives any new file. Linux tells the umask without
// changing it (calling umask() to read it would race with other threads creating files).
mode_t NewFileMode() {
    constexpr mode_t kFallback = 0644;
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("Umask:")) {
            try {
                const auto mask = static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
                return static_cast<mode_t>(0666U & ~mask);
            } catch (const std::exception&) {
                return kFallback;
            }
        }
    }
    return kFallback;
}

class PosixOutputFile final : public OutputFile {
public:
    // `name` is the path the user knows the file by, used in messages.
    PosixOutputFile(int descriptor, std::string name)
        : descriptor_(descriptor), name_(std::move(name)) {}
    ~PosixOutputFile() override {
        if (descriptor_ >= 0) {
            ::close(descriptor_);
        }
    }
    PosixOutputFile(const PosixOutputFile&) = delete;
    PosixOutputFile& operator=(const PosixOutputFile&) = delete;

    void Write(const void* data, std::size_t size) override {
        WriteAll(data, size, [this](const char* bytes, std::size_t count, std::uint64_t) {
            return ::write(descriptor_, bytes, count);
        });
        appended_ += size;
        StartWriteBack();
    }

    void WriteAt(std::uint64_t offset, const void* data, std::size_t size) override {
        WriteAll(data, size,
                 [this, offset](const char* bytes, std::size_t count, std::uint64_t done) {
                     return ::pwrite(descriptor_, bytes, count, static_cast<off_t>(offset + done));
                 });
    }

    // The data reaches the disk before the file is renamed into place, so that a crash never
    // leaves an empty file where the user's earlier one was.
    void Close() override {
        if (descriptor_ < 0) {
            return;
        }
        const int descriptor = descriptor_;
        descriptor_ = -1;
        if (::fsync(descriptor) != 0 && errno != EINVAL) {
            const int error = errno;
            ::close(descriptor);
            ThrowCannotWrite(name_, error);
        }
        // Linux releases the descriptor even when close reports EINTR; retrying could close
        // another file's descriptor.
        if (::close(descriptor) != 0 && errno != EINTR) {
            ThrowCannotWrite(name_, errno);
        }
    }

private:
    // Asks the kernel to start writing each full stretch of appended data to the disk now, while
    // the conversion goes on, so that the sync before the rename finds little left to wait for.
    // Only a hint: a file system that cannot do it still gets everything written by Close.
    void StartWriteBack() {
        while (appended_ - writeBackStarted_ >= kWriteBackStretch) {
            ::sync_file_range(descriptor_, static_cast<off_t>(writeBackStarted_),
                              static_cast<off_t>(kWriteBackStretch), SYNC_FILE_RANGE_WRITE);
            writeBackStarted_ += kWriteBackStretch;
        }
    }

    // Hands `writeSome` the bytes not yet written, and the count of those written, until all are:
    // a write may take fewer bytes than asked for, or be interrupted by a signal.
    template <typename WriteSome>
    void WriteAll(const void* data, std::size_t size, WriteSome writeSome) {
        const auto* bytes = static_cast<const char*>(data);
        std::uint64_t done = 0;
        while (size > 0) {
            const ssize_t written = writeSome(bytes, size, done);
            if (written < 0) {
                if (errno == EINTR) {
                    continue;
                }
                ThrowCannotWrite(name_, errno);
            }
            if (written == 0) {
                ThrowCannotWrite(name_, EIO);
            }
            bytes += written;
            size -= static_cast<std::size_t>(written);
            done += static_cast<std::uint64_t>(written);
        }
    }

    static constexpr std::uint64_t kWriteBackStretch = 8 << 20;

    int descriptor_;
    std::string name_;
    std::uint64_t appended_ = 0;
    std::uint64_t writeBackStarted_ = 0;
};

}  // namespace

std::unique_ptr<OutputFile> PosixFileSystem::CreateTemporary(const std::string& destination,
                                                             std::string& temporaryPath) {
    const std::string folder = FolderOf(destination);
    std::string pattern =
        (folder == "/" ? "" : folder) + "/." + FileNameOf(destination) + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int descriptor = ::mkostemp(name.data(), O_CLOEXEC);
    if (descriptor < 0) {
        throw ShapeFileError("cannot create a file in the folder '" + folder +
                             "': " + SystemErrorText(errno));
    }
    temporaryPath.assign(name.data());
    if (::fchmod(descriptor, NewFileMode()) != 0) {
        const int error = errno;
        ::close(descriptor);
        ::unlink(temporaryPath.c_str());
        throw ShapeFileError("cannot create a file in the folder '" + folder +
                             "': " + SystemErrorText(error));
    }
    return std::make_unique<PosixOutputFile>(descriptor, destination);
}

void PosixFileSystem::Rename(const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) != 0) {
        throw ShapeFileError("cannot move '" + from + "' to '" + to +
                             "': " + SystemErrorText(errno));
    }
}

void PosixFileSystem::Remove(const std::string& path) noexcept {
    ::unlink(path.c_str());
}

bool OutputFileSystem::Exists(const std::string& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0;
}

}  // namespace tesselar
