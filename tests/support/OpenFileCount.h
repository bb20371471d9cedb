#pragma once

#include <filesystem>
#include <iterator>

namespace tesselar::test {

// How many file descriptors the process holds open (Linux).
inline long OpenFileCount() {
    return static_cast<long>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                           std::filesystem::directory_iterator()));
}

}  // namespace tesselar::test
