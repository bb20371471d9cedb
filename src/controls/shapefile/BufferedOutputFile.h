#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "controls/shapefile/OutputFiles.h"

namespace tesselar {

// Collects small writes into large blocks, so that writing a record costs no system call.
class BufferedOutputFile {
public:
    static constexpr std::size_t kBlockBytes = std::size_t{1} << 20;

    explicit BufferedOutputFile(std::unique_ptr<OutputFile> file);

    void Write(const void* data, std::size_t size);
    // Room for the next `size` bytes, which the caller fills completely before any other call.
    unsigned char* Claim(std::size_t size);
    // Writes earlier bytes again (a header completed at the end); buffered bytes go first.
    void WriteAt(std::uint64_t offset, const void* data, std::size_t size);
    // Writes what is buffered and closes the file.
    void Close();
    // The file itself, to place it once closed.
    OutputFile& File() { return *file_; }
    // The closed file, handed over to be placed later; this object is of no use after.
    std::unique_ptr<OutputFile> TakeFile() { return std::move(file_); }

private:
    void Flush();

    std::unique_ptr<OutputFile> file_;
    std::vector<unsigned char> block_;
    std::size_t used_ = 0;
};

}  // namespace tesselar
