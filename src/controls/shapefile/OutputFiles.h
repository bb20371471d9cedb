#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace tesselar {

// A file being written. Every failure throws ShapeFileError naming the file and what the
// system said.
class OutputFile {
public:
    virtual ~OutputFile() = default;
    virtual void Write(const void* data, std::size_t size) = 0;
    virtual void WriteAt(std::uint64_t offset, const void* data, std::size_t size) = 0;
    virtual void Close() = 0;
};

// The file system operations of the shape file component, so that tests can make any of them
// fail (a full disk midway, a refused rename).
class OutputFileSystem {
public:
    virtual ~OutputFileSystem() = default;
    // Creates a new, empty file with a unique name in the folder of `destination` and returns
    // it; `temporaryPath` receives its path.
    virtual std::unique_ptr<OutputFile> CreateTemporary(const std::string& destination,
                                                        std::string& temporaryPath) = 0;
    // Moves `from` to `to`, replacing `to` when it exists.
    virtual void Rename(const std::string& from, const std::string& to) = 0;
    // Removes a file when it exists; never throws.
    virtual void Remove(const std::string& path) noexcept = 0;
    // Whether something exists at `path`, so that a replaced file can be kept until its
    // successor is in place. By default asks the operating system.
    virtual bool Exists(const std::string& path);
};

// The operating system's files.
class PosixFileSystem final : public OutputFileSystem {
public:
    std::unique_ptr<OutputFile> CreateTemporary(const std::string& destination,
                                                std::string& temporaryPath) override;
    void Rename(const std::string& from, const std::string& to) override;
    void Remove(const std::string& path) noexcept override;
};

}  // namespace tesselar
