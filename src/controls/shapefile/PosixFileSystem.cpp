#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <random>

#include "controls/shapefile/OutputFiles.h"
#include "controls/shapefile/ShapeFileError.h"
#include "controls/shapefile/ShapeFileNames.h"
#include "conversion/SystemErrorText.h"
#include "readers/PrintableText.h"

namespace tesselar {

namespace {

[[noreturn]] void ThrowCannotWrite(const std::string& name, int error) {
    throw ShapeFileError("cannot write '" + PrintableText(name) + "': " + SystemErrorText(error));
}

[[noreturn]] void ThrowCannotCreateIn(const std::string& folder, int error) {
    throw ShapeFileError("cannot create a file in the folder '" + PrintableText(folder) +
                         "': " + SystemErrorText(error));
}

class PosixOutputFile final : public OutputFile {
public:
    // `name` is the path the user knows the file by, used in messages; `temporaryPath` is the
    // file's temporary name, empty for a nameless file.
    PosixOutputFile(int descriptor, std::string name, std::string temporaryPath)
        : descriptor_(descriptor),
          name_(std::move(name)),
          temporaryPath_(std::move(temporaryPath)) {}
    ~PosixOutputFile() override {
        if (descriptor_ >= 0) {
            ::close(descriptor_);
        }
        if (!temporaryPath_.empty()) {
            ::unlink(temporaryPath_.c_str());
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

    void Close() override {
        if (::fsync(descriptor_) != 0 && errno != EINVAL) {
            ThrowCannotWrite(name_, errno);
        }
        // A nameless file keeps its descriptor: Place links it into the folder through it.
        if (temporaryPath_.empty()) {
            return;
        }
        const int descriptor = descriptor_;
        descriptor_ = -1;
        // Linux releases the descriptor even when close reports EINTR; retrying could close
        // another file's descriptor.
        if (::close(descriptor) != 0 && errno != EINTR) {
            ThrowCannotWrite(name_, errno);
        }
    }

    void Place(const std::string& path) override {
        if (temporaryPath_.empty()) {
            Link(path);
            // The data reached the disk in Close; nothing is left for close to report.
            ::close(descriptor_);
            descriptor_ = -1;
            return;
        }
        if (::rename(temporaryPath_.c_str(), path.c_str()) != 0) {
            throw ShapeFileError("cannot move '" + PrintableText(temporaryPath_) + "' to '" +
                                 PrintableText(path) + "': " + SystemErrorText(errno));
        }
        temporaryPath_.clear();
    }

private:
    // Linking through /proc needs no privilege; AT_EMPTY_PATH serves where /proc is missing.
    void Link(const std::string& path) const {
        const std::string self = "/proc/self/fd/" + std::to_string(descriptor_);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            return;
        }
        int error = errno;
        if (error == ENOENT &&
            ::linkat(descriptor_, "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH) == 0) {
            return;
        }
        if (error == ENOENT) {
            error = errno;
        }
        throw ShapeFileError("cannot create '" + PrintableText(path) +
                             "': " + SystemErrorText(error));
    }

    // Asks the kernel to start writing each full stretch of appended data to the disk now, while
    // the conversion goes on, so that the sync in Close finds little left to wait for. Only a
    // hint: a file system that cannot do it still gets everything written by Close.
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
    std::string temporaryPath_;
    std::uint64_t appended_ = 0;
    std::uint64_t writeBackStarted_ = 0;
};

// The advisory lock on a folder's own descriptor, with the termination signals held back.
class PosixFolderLock final : public FolderLock {
public:
    PosixFolderLock(int descriptor, const sigset_t& previousSignals)
        : descriptor_(descriptor), previousSignals_(previousSignals) {}
    ~PosixFolderLock() override {
        if (descriptor_ >= 0) {
            ::close(descriptor_);
        }
        ::pthread_sigmask(SIG_SETMASK, &previousSignals_, nullptr);
    }
    PosixFolderLock(const PosixFolderLock&) = delete;
    PosixFolderLock& operator=(const PosixFolderLock&) = delete;

private:
    int descriptor_;
    sigset_t previousSignals_;
};

// A name of six random letters and digits after `prefix`.
std::string RandomName(const std::string& prefix) {
    static constexpr char kLetters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937_64 random{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
    std::string name = prefix;
    for (int i = 0; i < 6; ++i) {
        name += kLetters[pick(random)];
    }
    return name;
}

}  // namespace

std::unique_ptr<OutputFile> CreateNamedTemporary(const std::string& destination) {
    const std::string folder = FolderOf(destination);
    // The destination's own name when the longer name fits the file system's limit.
    const std::string name = FileNameOf(destination);
    const std::string prefix = name.size() + 8 <= NAME_MAX ? "." + name + "." : ".tesselar.";
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string path = PathIn(folder, RandomName(prefix));
        // Created as any program creates a file, so that it gets the usual permissions.
        const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor >= 0) {
            return std::make_unique<PosixOutputFile>(descriptor, destination, path);
        }
        if (errno != EEXIST) {
            ThrowCannotCreateIn(folder, errno);
        }
    }
    ThrowCannotCreateIn(folder, EEXIST);
}

std::unique_ptr<OutputFile> PosixFileSystem::CreateFile(const std::string& destination) {
    const std::string folder = FolderOf(destination);
    const int descriptor = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (descriptor >= 0) {
        return std::make_unique<PosixOutputFile>(descriptor, destination, std::string());
    }
    // The file system, or a kernel older than O_TMPFILE, cannot make nameless files.
    if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) {
        return CreateNamedTemporary(destination);
    }
    ThrowCannotCreateIn(folder, errno);
}

std::unique_ptr<FolderLock> PosixFileSystem::LockFolder(const std::string& folder) {
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) {
        throw ShapeFileError("cannot lock the folder '" + PrintableText(folder) +
                             "': " + SystemErrorText(errno));
    }
    int result = 0;
    while ((result = ::flock(descriptor, LOCK_EX)) != 0 && errno == EINTR) {
    }
    // File systems without locks (some network ones) leave the replacement unguarded rather
    // than impossible.
    if (result != 0 && errno != ENOLCK && errno != EOPNOTSUPP && errno != EBADF &&
        errno != EINVAL) {
        const int error = errno;
        ::close(descriptor);
        throw ShapeFileError("cannot lock the folder '" + PrintableText(folder) +
                             "': " + SystemErrorText(error));
    }
    sigset_t termination;
    sigemptyset(&termination);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        sigaddset(&termination, signal);
    }
    sigset_t previous;
    ::pthread_sigmask(SIG_BLOCK, &termination, &previous);
    return std::make_unique<PosixFolderLock>(descriptor, previous);
}

std::vector<std::string> PosixFileSystem::ListFolder(const std::string& folder) {
    DIR* directory = ::opendir(folder.c_str());
    if (directory == nullptr) {
        throw ShapeFileError("cannot read the folder '" + PrintableText(folder) +
                             "': " + SystemErrorText(errno));
    }
    std::vector<std::string> names;
    errno = 0;
    while (const dirent* entry = ::readdir(directory)) {
        bool isFolder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN) {
            struct stat status {};
            isFolder =
                ::fstatat(::dirfd(directory), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISDIR(status.st_mode);
        }
        if (!isFolder) {
            names.emplace_back(entry->d_name);
        }
        errno = 0;
    }
    const int error = errno;
    ::closedir(directory);
    if (error != 0) {
        throw ShapeFileError("cannot read the folder '" + PrintableText(folder) +
                             "': " + SystemErrorText(error));
    }
    return names;
}

void PosixFileSystem::Rename(const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) != 0) {
        throw ShapeFileError("cannot move '" + PrintableText(from) + "' to '" + PrintableText(to) +
                             "': " + SystemErrorText(errno));
    }
}

void PosixFileSystem::Remove(const std::string& path) noexcept {
    ::unlink(path.c_str());
}

}  // namespace tesselar
