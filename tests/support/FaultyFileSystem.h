#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>
#include <string>

#include "controls/shapefile/OutputFiles.h"
#include "controls/shapefile/ShapeFileError.h"

namespace tesselar::test {

// The operating system's files, with failures injected on request: a disk that fills up, a
// close that reports an error, a refused rename, memory that runs out.
class FaultyFileSystem final : public OutputFileSystem {
public:
    // The disk has `bytes` left for all files together. A write that needs more writes what
    // fits and fails as write(2) does; rewriting bytes already written takes no new space.
    void FillDiskAfter(std::uint64_t bytes) { freeBytes_ = bytes; }
    // Closing the file for `destination` reports an input/output error.
    void FailClosing(const std::string& destination) { failingClose_ = destination; }
    // The next rename of `path` to another name is refused.
    void FailRenamingFrom(const std::string& path) { failingFrom_ = path; }
    // The next `times` renames onto `path` are refused.
    void FailRenamingTo(const std::string& path, int times = 1) {
        failingTo_ = path;
        failingToTimes_ = times;
    }
    void RunOutOfMemory() { outOfMemory_ = true; }

    std::uint64_t UsedBytes() const { return usedBytes_; }

    std::unique_ptr<OutputFile> CreateTemporary(const std::string& destination,
                                                std::string& temporaryPath) override {
        if (outOfMemory_) {
            throw std::bad_alloc();
        }
        return std::make_unique<FaultyFile>(*this,
                                            real_.CreateTemporary(destination, temporaryPath),
                                            destination, destination == failingClose_);
    }

    void Rename(const std::string& from, const std::string& to) override {
        if (from == failingFrom_) {
            failingFrom_.clear();
            Refuse(from, to);
        }
        if (to == failingTo_ && failingToTimes_ > 0) {
            --failingToTimes_;
            Refuse(from, to);
        }
        real_.Rename(from, to);
    }

    void Remove(const std::string& path) noexcept override { real_.Remove(path); }

private:
    class FaultyFile final : public OutputFile {
    public:
        FaultyFile(FaultyFileSystem& disk, std::unique_ptr<OutputFile> file, std::string name,
                   bool failClose)
            : disk_(disk), file_(std::move(file)), name_(std::move(name)), failClose_(failClose) {}

        void Write(const void* data, std::size_t size) override {
            const std::size_t fits = Claim(size_, size);
            file_->Write(data, fits);
            ThrowUnlessAllFit(fits, size);
        }
        void WriteAt(std::uint64_t offset, const void* data, std::size_t size) override {
            const std::size_t fits = Claim(offset, size);
            file_->WriteAt(offset, data, fits);
            ThrowUnlessAllFit(fits, size);
        }
        void Close() override {
            file_->Close();
            if (failClose_) {
                throw ShapeFileError("cannot write '" + name_ + "': Input/output error");
            }
        }

    private:
        // How many of the `size` bytes at `offset` find room; takes the room they need.
        std::size_t Claim(std::uint64_t offset, std::size_t size) {
            const std::uint64_t end = offset + size;
            const std::uint64_t growth = end > size_ ? end - size_ : 0;
            const std::uint64_t granted = std::min(growth, disk_.freeBytes_);
            disk_.freeBytes_ -= granted;
            disk_.usedBytes_ += granted;
            const auto fits = static_cast<std::size_t>(size - (growth - granted));
            size_ = std::max(size_, offset + fits);
            return fits;
        }
        void ThrowUnlessAllFit(std::size_t fits, std::size_t size) const {
            if (fits < size) {
                throw ShapeFileError("cannot write '" + name_ + "': No space left on device");
            }
        }

        FaultyFileSystem& disk_;
        std::unique_ptr<OutputFile> file_;
        std::string name_;
        bool failClose_;
        std::uint64_t size_ = 0;
    };

    [[noreturn]] static void Refuse(const std::string& from, const std::string& to) {
        throw ShapeFileError("cannot move '" + from + "' to '" + to + "': Permission denied");
    }

    PosixFileSystem real_;
    std::uint64_t freeBytes_ = UINT64_MAX;
    std::uint64_t usedBytes_ = 0;
    std::string failingClose_;
    std::string failingFrom_;
    std::string failingTo_;
    int failingToTimes_ = 0;
    bool outOfMemory_ = false;
};

}  // namespace tesselar::test
