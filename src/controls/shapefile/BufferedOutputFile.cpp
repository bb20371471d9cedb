#include "controls/shapefile/BufferedOutputFile.h"

#include <cstring>

namespace tesselar {

BufferedOutputFile::BufferedOutputFile(std::unique_ptr<OutputFile> file)
    : file_(std::move(file)), block_(kBlockBytes) {}

void BufferedOutputFile::Write(const void* data, std::size_t size) {
    std::memcpy(Claim(size), data, size);
}

unsigned char* BufferedOutputFile::Claim(std::size_t size) {
    if (size > block_.size() - used_) {
        Flush();
        // Only a single record larger than a block (a polygon of tens of thousands of
        // vertices) makes the block grow.
        if (size > block_.size()) {
            block_.resize(size);
        }
    }
    unsigned char* room = block_.data() + used_;
    used_ += size;
    return room;
}

void BufferedOutputFile::WriteAt(std::uint64_t offset, const void* data, std::size_t size) {
    Flush();
    file_->WriteAt(offset, data, size);
}

void BufferedOutputFile::Close() {
    Flush();
    file_->Close();
}

void BufferedOutputFile::Flush() {
    if (used_ > 0) {
        // Forget the bytes before writing them: after a failure nothing is written twice.
        const std::size_t size = used_;
        used_ = 0;
        file_->Write(block_.data(), size);
    }
}

}  // namespace tesselar
