#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "controls/shapefile/OutputFiles.h"
#include "controls/shapefile/ShapeFileError.h"

namespace tesselar::fuzz {

// Files kept in memory, with a disk that can fill up and changes that can be refused, so that
// the shape file component runs its error paths without touching the disk. New files have no
// name until placed. Breaking the component's contract ends the run: writing a file after
// closing it, placing it twice or onto an existing file, or changing the folder without its
// lock.
class MemoryFileSystem final : public OutputFileSystem {
public:
    std::map<std::string, std::string> files;
    // Bytes the disk still takes; a write beyond them fails after writing what fits.
    std::uint64_t spaceLeft = UINT64_MAX;
    // Renames and placements that still succeed before one is refused; negative for never.
    int changesBeforeRefusal = -1;

    std::unique_ptr<OutputFile> CreateFile(const std::string& destination) override {
        return std::make_unique<File>(*this, destination);
    }

    std::unique_ptr<FolderLock> LockFolder(const std::string&) override {
        FUZZ_CHECK(!locked_, "a folder locked twice");
        return std::make_unique<Lock>(*this);
    }

    std::vector<std::string> ListFolder(const std::string& folder) override {
        const std::string prefix = (folder == "/" ? "" : folder) + "/";
        std::vector<std::string> names;
        for (const auto& [path, content] : files) {
            if (path.starts_with(prefix) && path.find('/', prefix.size()) == std::string::npos) {
                names.push_back(path.substr(prefix.size()));
            }
        }
        return names;
    }

    void Rename(const std::string& from, const std::string& to) override {
        Change("cannot move '" + from + "' to '" + to + "'");
        const auto source = files.find(from);
        if (source == files.end()) {
            throw ShapeFileError("cannot move '" + from + "' to '" + to +
                                 "': No such file or directory");
        }
        std::string content = std::move(source->second);
        files.erase(source);
        files[to] = std::move(content);
    }

    void Remove(const std::string& path) noexcept override {
        FUZZ_CHECK(locked_, "'" + path + "' removed without the folder's lock");
        files.erase(path);
    }

private:
    class Lock final : public FolderLock {
    public:
        explicit Lock(MemoryFileSystem& system) : system_(system) { system_.locked_ = true; }
        ~Lock() override { system_.locked_ = false; }
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        MemoryFileSystem& system_;
    };

    class File final : public OutputFile {
    public:
        File(MemoryFileSystem& system, std::string name)
            : system_(system), name_(std::move(name)) {}

        void Write(const void* data, std::size_t size) override {
            WriteAt(content_.size(), data, size);
        }

        void WriteAt(std::uint64_t offset, const void* data, std::size_t size) override {
            FUZZ_CHECK(!closed_, "'" + name_ + "' written after Close");
            const std::uint64_t end = offset + size;
            const std::uint64_t growth = end > content_.size() ? end - content_.size() : 0;
            std::size_t fits = size;
            if (growth > system_.spaceLeft) {
                fits = size - static_cast<std::size_t>(
                                  std::min<std::uint64_t>(size, growth - system_.spaceLeft));
            }
            if (end > content_.size()) {
                content_.resize(static_cast<std::size_t>(offset + fits));
            }
            content_.replace(static_cast<std::size_t>(offset), fits, static_cast<const char*>(data),
                             fits);
            system_.spaceLeft -= std::min(growth, system_.spaceLeft);
            if (fits < size) {
                throw ShapeFileError("cannot write '" + name_ + "': No space left on device");
            }
        }

        void Close() override { closed_ = true; }

        void Place(const std::string& path) override {
            FUZZ_CHECK(closed_ && !placed_, "'" + name_ + "' placed before Close or twice");
            system_.Change("cannot create '" + path + "'");
            if (system_.files.contains(path)) {
                throw ShapeFileError("cannot create '" + path + "': File exists");
            }
            system_.files[path] = content_;
            placed_ = true;
        }

    private:
        MemoryFileSystem& system_;
        std::string name_;
        std::string content_;
        bool closed_ = false;
        bool placed_ = false;
    };

    // A rename or placement: allowed only under the lock, and refused when its turn comes.
    void Change(const std::string& what) {
        FUZZ_CHECK(locked_, what + " without the folder's lock");
        if (changesBeforeRefusal == 0) {
            changesBeforeRefusal = -1;
            throw ShapeFileError(what + ": Permission denied");
        }
        if (changesBeforeRefusal > 0) {
            --changesBeforeRefusal;
        }
    }

    bool locked_ = false;
};

}  // namespace tesselar::fuzz
