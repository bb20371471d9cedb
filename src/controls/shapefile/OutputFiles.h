#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "conversion/StopRequest.h"

namespace tesselar {

// A new file being written. It has no name in its folder (or a temporary one where the file
// system cannot make nameless files) until Place gives it one; destroyed before that, it
// vanishes. Every failure throws ShapeFileError naming the file and what the system said.
class OutputFile {
public:
    virtual ~OutputFile() = default;
    virtual void Write(const void* data, std::size_t size) = 0;
    virtual void WriteAt(std::uint64_t offset, const void* data, std::size_t size) = 0;
    // Makes this new file, to which nothing was written yet, a copy of `source`, a closed file
    // of the same file system, without the bytes passing through the program. False, with
    // nothing written, where the file system cannot copy so.
    virtual bool CopyFrom(const OutputFile& /*source*/) { return false; }
    // Ends the writing: the data reaches the disk, so that a crash after Place never leaves an
    // empty file.
    virtual void Close() = 0;
    // Gives the closed file the name `path`, in the folder it was created in; `path` must be
    // free.
    virtual void Place(const std::string& path) = 0;
};

// Held while one shapefile replaces another in a folder; released when destroyed.
class FolderLock {
public:
    virtual ~FolderLock() = default;
};

// The file system operations of the shape file component, so that tests can make any of them
// fail (a full disk midway, a refused rename, a crash between two moves).
class OutputFileSystem {
public:
    virtual ~OutputFileSystem() = default;
    // Creates a new, empty file in the folder of `destination`, for writing its content.
    virtual std::unique_ptr<OutputFile> CreateFile(const std::string& destination) = 0;
    // Waits until no other component, in this or another process, replaces files in `folder`,
    // and keeps them from it until the lock is destroyed. Every change of the final step of a
    // replacement (moves, placements, removals) is made under it.
    virtual std::unique_ptr<FolderLock> LockFolder(const std::string& folder) = 0;
    // The names of the files in `folder` (not of its subfolders).
    virtual std::vector<std::string> ListFolder(const std::string& folder) = 0;
    // Moves `from` to `to`, replacing `to` when it exists.
    virtual void Rename(const std::string& from, const std::string& to) = 0;
    // Removes a file when it exists; never throws.
    virtual void Remove(const std::string& path) noexcept = 0;
    // Removes a temporary file whose writer has ended without removing it (killed while
    // writing); one that a writer, in this or another process, is still writing stays. Never
    // throws.
    virtual void RemoveAbandoned(const std::string& path) noexcept = 0;
};

// The operating system's files. New files are nameless (O_TMPFILE) where the file system allows
// it, so that a crash or a kill while writing leaves nothing; elsewhere they have a hidden
// temporary name, and an advisory lock (flock) on each tells that its writer still runs. The
// lock of a folder is an advisory lock on the folder itself, which leaves no file behind; a
// stop request ends the wait for it with Interrupted, and while it is held the termination
// signals (SIGINT, SIGTERM, SIGHUP, SIGQUIT) wait, so that a signal handler never sees a
// shapefile half replaced.
class PosixFileSystem final : public OutputFileSystem {
public:
    explicit PosixFileSystem(StopRequest stop = {}) : stop_(stop) {}
    std::unique_ptr<OutputFile> CreateFile(const std::string& destination) override;
    std::unique_ptr<FolderLock> LockFolder(const std::string& folder) override;
    std::vector<std::string> ListFolder(const std::string& folder) override;
    void Rename(const std::string& from, const std::string& to) override;
    void Remove(const std::string& path) noexcept override;
    void RemoveAbandoned(const std::string& path) noexcept override;

private:
    StopRequest stop_;
};

// A new file with a hidden temporary name (TemporaryPrefix) in the folder of `destination`,
// locked while it lives, with the permissions of any new file there (0666 under the umask or
// the folder's default ACL). PosixFileSystem makes its files so where the file system cannot
// make nameless ones; a GeoPackage is written so, through its `path`, by SQLite.
struct NamedTemporary {
    std::unique_ptr<OutputFile> file;
    std::string path;
};
NamedTemporary CreateNamedTemporary(const std::string& destination);

}  // namespace tesselar
