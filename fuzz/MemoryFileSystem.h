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
        return std::make_unique<Lock>(locked_);
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
        const std::string what = "cannot move '" + from + "' to '" + to + "'";
        Change(what);
        const auto source = files.extract(from);
        if (source.empty()) {
            throw ShapeFileError(what + ": No such file or directory");
        }
        files[to] = std::move(source.mapped());
    }

    void Remove(const std::string& path) noexcept override {
        FUZZ_CHECK(locked_, "'" + path + "' removed without the folder's lock");
        files.erase(path);
    }

    // New files here have no name until placed, so a temporary name found belongs to no writer.
    void RemoveAbandoned(const std::string& path) noexcept override {
        FUZZ_CHECK(locked_, "'" + path + "' removed as abandoned without the folder's lock");
        files.erase(path);
    }

private:
    struct Lock final : FolderLock {
        explicit Lock(bool& locked) : locked_(locked) { locked_ = true; }
        ~Lock() override { locked_ = false; }
        bool& locked_;
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
            const std::uint64_t taken = std::min(growth, system_.spaceLeft);
            const auto fits =
                static_cast<std::size_t>(size - std::min<std::uint64_t>(size, growth - taken));
            content_.resize(std::max(content_.size(), static_cast<std::size_t>(offset) + fits));
            content_.replace(static_cast<std::size_t>(offset), fits, static_cast<const char*>(data),
                             fits);
            system_.spaceLeft -= taken;
            if (fits < size) {
                throw ShapeFileError("cannot write '" + name_ + "': No space left on device");
            }
        }

        void Close() override { closed_ = true; }

        void Place(const std::string& path) override {
            FUZZ_CHECK(closed_ && !placed_, "'" + name_ + "' placed before Close or twice");
            system_.Change("cannot create '" + path + "'");
            if (!system_.files.emplace(path, content_).second) {
                throw ShapeFileError("cannot create '" + path + "': File exists");
            }
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
        if (changesBeforeRefusal-- == 0) {
            throw ShapeFileError(what + ": Permission denied");
        }
    }

    bool locked_ = false;
};

}  // namespace tesselar::fuzz
