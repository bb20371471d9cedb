#pragma once

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "controls/shapefile/OutputFiles.h"
#include "controls/shapefile/ShapeFileError.h"

namespace tesselar::test {

// Thrown by FaultyFileSystem to stand for anything unwinding through the component that is no
// failure of its own, such as a signal turned into an exception.
struct Interruption {};

// The operating system's files, with failures injected on request: a disk that fills up, a
// close that reports an error, a refused rename or placement, memory that runs out, and an
// interruption or the end of the process between two changes to the folder.
class FaultyFileSystem final : public OutputFileSystem {
public:
    // The disk has `bytes` left for all files together. A write that needs more writes what
    // fits and fails as write(2) does; rewriting bytes already written takes no new space.
    void FillDiskAfter(std::uint64_t bytes) { freeBytes_ = bytes; }
    // Closing the file for `destination` reports an input/output error.
    void FailClosing(const std::string& destination) { failingClose_ = destination; }
    // The next rename of `path` to another name is refused.
    void FailRenamingFrom(const std::string& path) { failingFrom_ = path; }
    // The next `times` renames or placements onto `path` are refused.
    void FailRenamingTo(const std::string& path, int times = 1) {
        failingTo_ = path;
        failingToTimes_ = times;
    }
    void RunOutOfMemory() { outOfMemory_ = true; }
    // After `count` changes to the folder (renames, placements and removals), the next one
    // throws Interruption instead.
    void InterruptAfterChanges(int count) { interruptAfter_ = count; }
    // After `count` changes to the folder the process ends at once, as if killed.
    void EndProcessAfterChanges(int count) { endAfter_ = count; }

    std::uint64_t UsedBytes() const { return usedBytes_; }

    std::unique_ptr<OutputFile> CreateFile(const std::string& destination) override {
        if (outOfMemory_) {
            throw std::bad_alloc();
        }
        return std::make_unique<FaultyFile>(*this, real_.CreateFile(destination), destination,
                                            destination == failingClose_);
    }

    std::unique_ptr<FolderLock> LockFolder(const std::string& folder) override {
        return real_.LockFolder(folder);
    }

    std::vector<std::string> ListFolder(const std::string& folder) override {
        return real_.ListFolder(folder);
    }

    void Rename(const std::string& from, const std::string& to) override {
        Change();
        if (from == failingFrom_) {
            failingFrom_.clear();
            Refuse(from, to);
        }
        RefuseIfFailingTo(from, to);
        real_.Rename(from, to);
    }

    void Remove(const std::string& path) noexcept override {
        if (changes_ == endAfter_) {
            ::_exit(0);
        }
        ++changes_;
        real_.Remove(path);
    }

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
        void Place(const std::string& path) override {
            disk_.Change();
            disk_.RefuseIfFailingTo(name_, path);
            file_->Place(path);
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

    void Change() {
        if (changes_ == endAfter_) {
            ::_exit(0);
        }
        if (changes_ == interruptAfter_) {
            interruptAfter_ = -1;
            throw Interruption{};
        }
        ++changes_;
    }

    void RefuseIfFailingTo(const std::string& from, const std::string& to) {
        if (to == failingTo_ && failingToTimes_ > 0) {
            --failingToTimes_;
            Refuse(from, to);
        }
    }

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
    int changes_ = 0;
    int interruptAfter_ = -1;
    int endAfter_ = -1;
    bool outOfMemory_ = false;
};

}  // namespace tesselar::test
