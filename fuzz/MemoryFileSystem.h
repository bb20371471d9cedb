#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "FuzzCheck.h"
#include "controls/shapefile/OutputFiles.h"
#include "controls/shapefile/ShapeFileError.h"

namespace tesselar::fuzz {

// Files kept in memory, with a disk that can fill up and renames that can be refused, so that
// the shape file component runs its error paths without touching the disk. A write to a file
// that was moved or removed while open breaks the component's contract and ends the run.
class MemoryFileSystem final : public OutputFileSystem {
public:
    std::map<std::string, std::string> files;
    // Bytes the disk still takes; a write beyond them fails after writing what fits.
    std::uint64_t spaceLeft = UINT64_MAX;
    // Renames that still succeed before one is refused; negative for never.
    int renamesBeforeRefusal = -1;

    std::unique_ptr<OutputFile> CreateTemporary(const std::string& destination,
                                                std::string& temporaryPath) override {
        do {
            temporaryPath = destination + ".~" + std::to_string(++created_);
        } while (files.contains(temporaryPath));
        files[temporaryPath];
        return std::make_unique<File>(*this, temporaryPath);
    }

    void Rename(const std::string& from, const std::string& to) override {
        if (renamesBeforeRefusal == 0) {
            renamesBeforeRefusal = -1;
            throw ShapeFileError("cannot move '" + from + "' to '" + to + "': Permission denied");
        }
        if (renamesBeforeRefusal > 0) {
            --renamesBeforeRefusal;
        }
        const auto source = files.find(from);
        if (source == files.end()) {
            throw ShapeFileError("cannot move '" + from + "' to '" + to +
                                 "': No such file or directory");
        }
        std::string content = std::move(source->second);
        files.erase(source);
        files[to] = std::move(content);
    }

    void Remove(const std::string& path) noexcept override { files.erase(path); }
    bool Exists(const std::string& path) override { return files.contains(path); }

private:
    class File final : public OutputFile {
    public:
        File(MemoryFileSystem& system, std::string path)
            : system_(system), path_(std::move(path)) {}

        void Write(const void* data, std::size_t size) override {
            std::string& content = Content();
            WriteAt(content.size(), data, size);
        }

        void WriteAt(std::uint64_t offset, const void* data, std::size_t size) override {
            FUZZ_CHECK(!closed_, "'" + path_ + "' written after Close");
            std::string& content = Content();
            const std::uint64_t end = offset + size;
            const std::uint64_t growth = end > content.size() ? end - content.size() : 0;
            std::size_t fits = size;
            if (growth > system_.spaceLeft) {
                fits = size - static_cast<std::size_t>(
                                  std::min<std::uint64_t>(size, growth - system_.spaceLeft));
            }
            if (end > content.size()) {
                content.resize(static_cast<std::size_t>(offset + fits));
            }
            content.replace(static_cast<std::size_t>(offset), fits, static_cast<const char*>(data),
                            fits);
            system_.spaceLeft -= std::min(growth, system_.spaceLeft);
            if (fits < size) {
                throw ShapeFileError("cannot write '" + path_ + "': No space left on device");
            }
        }

        void Close() override { closed_ = true; }

    private:
        std::string& Content() {
            const auto file = system_.files.find(path_);
            FUZZ_CHECK(file != system_.files.end(),
                       "'" + path_ + "' written after it was moved or removed");
            return file->second;
        }

        MemoryFileSystem& system_;
        std::string path_;
        bool closed_ = false;
    };

    std::uint64_t created_ = 0;
};

}  // namespace tesselar::fuzz
