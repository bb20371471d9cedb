#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <map>
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

enum class Failure {
    kError,         // the system refuses: a full disk for writes, no permission for moves
    kOutOfMemory,   // std::bad_alloc
    kInterruption,  // Interruption
    kEndOfProcess,  // the process ends at once, as if killed
};

// The operating system's files, with one step made to fail. Steps are the calls that change
// the disk: writes, closes, placements, renames and (only for the end of the process, as they
// cannot fail) removals. With `countOnly`, writes keep no bytes and only count the size each
// file would reach, for files larger than a test should write. A placement, rename or removal
// made without the folder's lock held fails the test.
class FaultyFileSystem final : public OutputFileSystem {
public:
    bool countOnly = false;
    std::map<std::string, std::uint64_t> sizes;  // by destination, counted always

    // The first step from the `step`-th on (counting from 0) that can fail so, fails so.
    void FailStep(int step, Failure failure) {
        failingStep_ = step;
        failure_ = failure;
    }

    std::unique_ptr<OutputFile> CreateFile(const std::string& destination) override {
        return std::make_unique<FaultyFile>(*this, real_.CreateFile(destination), destination);
    }
    std::unique_ptr<FolderLock> LockFolder(const std::string& folder) override {
        return std::make_unique<HeldLock>(real_.LockFolder(folder), locksHeld_);
    }
    std::vector<std::string> ListFolder(const std::string& folder) override {
        return real_.ListFolder(folder);
    }
    void Rename(const std::string& from, const std::string& to) override {
        RequireLock("'" + from + "' moved to '" + to + "'");
        Step("cannot move '" + from + "' to '" + to + "': Permission denied");
        real_.Rename(from, to);
    }
    void Remove(const std::string& path) noexcept override {
        RequireLock("'" + path + "' removed");
        if (failure_ == Failure::kEndOfProcess) {
            Step("");
        }
        real_.Remove(path);
    }
    void RemoveAbandoned(const std::string& path) noexcept override {
        RequireLock("'" + path + "' removed as abandoned");
        if (failure_ == Failure::kEndOfProcess) {
            Step("");
        }
        real_.RemoveAbandoned(path);
    }

private:
    // The real lock, counted while it lives.
    class HeldLock final : public FolderLock {
    public:
        HeldLock(std::unique_ptr<FolderLock> lock, int& held)
            : lock_(std::move(lock)), held_(held) {
            ++held_;
        }
        ~HeldLock() override { --held_; }
        HeldLock(const HeldLock&) = delete;
        HeldLock& operator=(const HeldLock&) = delete;

    private:
        std::unique_ptr<FolderLock> lock_;
        int& held_;
    };

    class FaultyFile final : public OutputFile {
    public:
        FaultyFile(FaultyFileSystem& disk, std::unique_ptr<OutputFile> file, std::string name)
            : disk_(disk), file_(std::move(file)), name_(std::move(name)) {}

        void Write(const void* data, std::size_t size) override {
            if (StepTo(disk_.sizes[name_] + size)) {
                file_->Write(data, size);
            }
        }
        void WriteAt(std::uint64_t offset, const void* data, std::size_t size) override {
            if (StepTo(offset + size)) {
                file_->WriteAt(offset, data, size);
            }
        }
        void Close() override {
            disk_.Step(DiskFull());
            file_->Close();
        }
        void Place(const std::string& path) override {
            disk_.RequireLock("'" + name_ + "' placed as '" + path + "'");
            disk_.Step("cannot move '" + name_ + "' to '" + path + "': Permission denied");
            file_->Place(path);
        }

    private:
        // A write up to byte `end`, counted; whether to write the bytes too.
        bool StepTo(std::uint64_t end) {
            disk_.Step(DiskFull());
            std::uint64_t& size = disk_.sizes[name_];
            size = std::max(size, end);
            return !disk_.countOnly;
        }
        std::string DiskFull() const {
            return "cannot write '" + name_ + "': No space left on device";
        }

        FaultyFileSystem& disk_;
        std::unique_ptr<OutputFile> file_;
        std::string name_;
    };

    void RequireLock(const std::string& change) const {
        if (locksHeld_ == 0) {
            ADD_FAILURE() << change << " without the folder's lock";
        }
    }

    void Step(const std::string& error) {
        if (steps_++ < failingStep_) {
            return;
        }
        failingStep_ = INT_MAX;
        switch (failure_) {
            case Failure::kError:
                throw ShapeFileError(error);
            case Failure::kOutOfMemory:
                throw std::bad_alloc();
            case Failure::kInterruption:
                throw Interruption{};
            case Failure::kEndOfProcess:
                ::_exit(0);
        }
    }

    PosixFileSystem real_;
    int locksHeld_ = 0;
    int steps_ = 0;
    int failingStep_ = INT_MAX;
    Failure failure_ = Failure::kError;
};

}  // namespace tesselar::test
