#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "controls/shapefile/OutputFiles.h"
#include "controls/shapefile/ShapeFileError.h"

namespace tesselar::test {

// The operating system's files, with failures injected on request: a disk that fills up, a
// close that reports an error, a rename that is refused.
class FaultyFileSystem final : public OutputFileSystem {
public:
    // Writing more than `bytes` to the file for `destination` fails as on a full disk.
    void FailWritingPast(const std::string& destination, std::uint64_t bytes) {
        writeLimits_[destination] = bytes;
    }
    void FailClosing(const std::string& destination) { failingClose_ = destination; }
    // The next rename of `path` to another name is refused.
    void FailRenamingFrom(const std::string& path) { failingFrom_ = path; }
    // The next `times` renames onto `path` are refused.
    void FailRenamingTo(const std::string& path, int times = 1) {
        failingTo_ = path;
        failingToTimes_ = times;
    }

    std::unique_ptr<OutputFile> CreateTemporary(const std::string& destination,
                                                std::string& temporaryPath) override {
        auto file = real_.CreateTemporary(destination, temporaryPath);
        const auto limit = writeLimits_.find(destination);
        return std::make_unique<FaultyFile>(
            std::move(file), destination, limit == writeLimits_.end() ? UINT64_MAX : limit->second,
            destination == failingClose_);
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
    bool Exists(const std::string& path) override { return real_.Exists(path); }

private:
    class FaultyFile final : public OutputFile {
    public:
        FaultyFile(std::unique_ptr<OutputFile> file, std::string name, std::uint64_t limit,
                   bool failClose)
            : file_(std::move(file)),
              name_(std::move(name)),
              limit_(limit),
              failClose_(failClose) {}

        void Write(const void* data, std::size_t size) override {
            if (written_ + size > limit_) {
                // Part of the block reaches the disk before it fills up.
                file_->Write(data, static_cast<std::size_t>(limit_ - written_));
                written_ = limit_;
                throw ShapeFileError("cannot write '" + name_ + "': No space left on device");
            }
            file_->Write(data, size);
            written_ += size;
        }
        void WriteAt(std::uint64_t offset, const void* data, std::size_t size) override {
            file_->WriteAt(offset, data, size);
        }
        void Close() override {
            file_->Close();
            if (failClose_) {
                throw ShapeFileError("cannot write '" + name_ + "': Input/output error");
            }
        }

    private:
        std::unique_ptr<OutputFile> file_;
        std::string name_;
        std::uint64_t limit_;
        bool failClose_;
        std::uint64_t written_ = 0;
    };

    [[noreturn]] static void Refuse(const std::string& from, const std::string& to) {
        throw ShapeFileError("cannot move '" + from + "' to '" + to + "': Permission denied");
    }

    PosixFileSystem real_;
    std::map<std::string, std::uint64_t> writeLimits_;
    std::string failingClose_;
    std::string failingFrom_;
    std::string failingTo_;
    int failingToTimes_ = 0;
};

}  // namespace tesselar::test
