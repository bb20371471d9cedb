#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "controls/shapefile/OutputFiles.h"
#include "controls/shapefile/ShapeFileError.h"
#include "controls/shapefile/ShapeFileNames.h"
#include "conversion/ConversionError.h"
#include "conversion/PrintableText.h"
#include "conversion/SystemErrorText.h"

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
    // file's temporary name, empty for a nameless file. The descriptor stays open until the
    // file is placed or removed: through it a nameless file is linked, and a named one keeps
    // its lock.
    PosixOutputFile(int descriptor, std::string name, std::string temporaryPath = {})
        : descriptor_(descriptor),
          name_(std::move(name)),
          temporaryPath_(std::move(temporaryPath)) {}
    ~PosixOutputFile() override {
        if (!temporaryPath_.empty()) {
            ::unlink(temporaryPath_.c_str());
        }
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

    // The kernel copies within the file system: copy_file_range.
    bool CopyFrom(const OutputFile& source) override {
        const auto* from = dynamic_cast<const PosixOutputFile*>(&source);
        struct stat status {};
        if (from == nullptr || appended_ != 0 || ::fstat(from->descriptor_, &status) != 0) {
            return false;
        }
        const auto size = static_cast<std::uint64_t>(status.st_size);
        loff_t offset = 0;
        while (static_cast<std::uint64_t>(offset) < size) {
            const ssize_t copied = ::copy_file_range(
                from->descriptor_, &offset, descriptor_, nullptr,
                static_cast<std::size_t>(size - static_cast<std::uint64_t>(offset)), 0);
            if (copied < 0 && errno == EINTR) {
                continue;
            }
            // Refused, or nothing copied, before any byte: the caller writes the file itself.
            if (offset == 0 && (copied == 0 || errno == EXDEV || errno == ENOSYS ||
                                errno == EOPNOTSUPP || errno == EINVAL)) {
                return false;
            }
            if (copied <= 0) {
                ThrowCannotWrite(name_, copied < 0 ? errno : EIO);
            }
        }
        appended_ = size;
        StartWriteBack();
        return true;
    }

    void Close() override {
        if (::fsync(descriptor_) != 0 && errno != EINVAL) {
            ThrowCannotWrite(name_, errno);
        }
    }

    void Place(const std::string& path) override {
        if (temporaryPath_.empty()) {
            Link(path);
        } else if (::rename(temporaryPath_.c_str(), path.c_str()) == 0) {
            temporaryPath_.clear();
        } else {
            throw ShapeFileError("cannot move '" + PrintableText(temporaryPath_) + "' to '" +
                                 PrintableText(path) + "': " + SystemErrorText(errno));
        }
        // The data reached the disk in Close; nothing is left for close to report.
        ::close(descriptor_);
        descriptor_ = -1;
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
        ::close(descriptor_);
        ::pthread_sigmask(SIG_SETMASK, &previousSignals_, nullptr);
    }
    PosixFolderLock(const PosixFolderLock&) = delete;
    PosixFolderLock& operator=(const PosixFolderLock&) = delete;

private:
    int descriptor_;
    sigset_t previousSignals_;
};

// File systems without locks (some network ones) answer so; what the lock guards then goes
// unguarded rather than impossible.
bool HasNoLocks(int error) {
    return error == ENOLCK || error == EOPNOTSUPP || error == EBADF || error == EINVAL;
}

// Whether the file open as `descriptor` no longer has the name `path` it was created with.
bool RemovedMeanwhile(int descriptor, const std::string& path) {
    struct stat opened {};
    struct stat named {};
    if (::fstat(descriptor, &opened) != 0) {
        return false;
    }
    if (::lstat(path.c_str(), &named) != 0) {
        return errno == ENOENT;
    }
    return named.st_ino != opened.st_ino || named.st_dev != opened.st_dev;
}

}  // namespace

NamedTemporary CreateNamedTemporary(const std::string& destination) {
    const std::string folder = FolderOf(destination);
    const std::string prefix = TemporaryPrefix(FileNameOf(destination));
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string path = PathIn(folder, prefix + RandomLetters());
        // Created as any program creates a file, so that it gets the usual permissions; open for
        // reading too, so that a later file can be made a copy of it (CopyFrom).
        const int descriptor = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor < 0) {
            if (errno != EEXIST) {
                ThrowCannotCreateIn(folder, errno);
            }
            continue;
        }
        // Locked as being written, so that a later conversion that removes the files of ended
        // ones leaves it alone. Such a conversion may have taken it first: it then holds it or
        // has removed it, and another name is tried.
        if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0 && !HasNoLocks(errno)) {
            const int error = errno;
            if (error != EWOULDBLOCK) {
                ::unlink(path.c_str());
                ::close(descriptor);
                ThrowCannotCreateIn(folder, error);
            }
            ::close(descriptor);
            continue;
        }
        if (RemovedMeanwhile(descriptor, path)) {
            ::close(descriptor);
            continue;
        }
        return {std::make_unique<PosixOutputFile>(descriptor, destination, path), path};
    }
    ThrowCannotCreateIn(folder, EEXIST);
}

std::unique_ptr<OutputFile> PosixFileSystem::CreateFile(const std::string& destination) {
    const std::string folder = FolderOf(destination);
    // Open for reading too, as a named temporary is.
    const int descriptor = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (descriptor >= 0) {
        return std::make_unique<PosixOutputFile>(descriptor, destination);
    }
    // The file system, or a kernel older than O_TMPFILE, cannot make nameless files.
    if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) {
        return CreateNamedTemporary(destination).file;
    }
    ThrowCannotCreateIn(folder, errno);
}

std::unique_ptr<FolderLock> PosixFileSystem::LockFolder(const std::string& folder) {
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) {
        throw ShapeFileError("cannot lock the folder '" + PrintableText(folder) +
                             "': " + SystemErrorText(errno));
    }
    // The handlers do not restart the wait, so a stop request ends it.
    int result = 0;
    while (!stop_.Requested() && (result = ::flock(descriptor, LOCK_EX)) != 0 && errno == EINTR) {
    }
    const int error = result == 0 ? 0 : errno;
    sigset_t termination;
    sigemptyset(&termination);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        sigaddset(&termination, signal);
    }
    sigset_t previous;
    ::pthread_sigmask(SIG_BLOCK, &termination, &previous);
    auto lock = std::make_unique<PosixFolderLock>(descriptor, previous);
    // Also a request that came just before the wait began, or as the lock was taken, stops the
    // conversion here, before anything changed.
    if (stop_.Requested()) {
        const int signal = stop_.Signal();
        lock.reset();
        throw Interrupted(signal,
                          "waiting for the lock of the folder '" + PrintableText(folder) + "'");
    }
    if (error != 0 && !HasNoLocks(error)) {
        lock.reset();
        throw ShapeFileError("cannot lock the folder '" + PrintableText(folder) +
                             "': " + SystemErrorText(error));
    }
    return lock;
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

void PosixFileSystem::RemoveAbandoned(const std::string& path) noexcept {
    // Only a regular file is opened: opening a device or a FIFO can block or act.
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return;
    }
    // A lock for writing may need a descriptor open for writing (NFS).
    int descriptor = ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0 && errno == EACCES) {
        descriptor = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    }
    if (descriptor < 0) {
        return;
    }
    // Removed while locked, so that a writer that creates it at this instant finds it gone
    // once it has the lock, and makes another.
    if (::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode) &&
        ::flock(descriptor, LOCK_EX | LOCK_NB) == 0) {
        ::unlink(path.c_str());
    }
    ::close(descriptor);
}

}  // namespace tesselar
