// Runs a fuzz target's entry point once on every file given, or on every file in the folders
// given, without libFuzzer: the corpus and the crash reproducers replayed by any compiler, so
// the fuzz targets' invariants are checked by every test run.
//   replay_TARGET PATH...
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::vector<std::filesystem::path> InputFiles(int argc, char** argv) {
    std::vector<std::filesystem::path> files;
    for (int n = 1; n < argc; ++n) {
        const std::filesystem::path path = argv[n];
        if (!std::filesystem::is_directory(path)) {
            files.push_back(path);
            continue;
        }
        for (const auto& entry : std::filesystem::directory_iterator(path)) {
            if (entry.is_regular_file()) {
                files.push_back(entry.path());
            }
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::filesystem::path> files = InputFiles(argc, argv);
    if (files.empty()) {
        std::fprintf(stderr, "replay: no input files given\n");
        return 2;
    }
    for (const std::filesystem::path& file : files) {
        // A buffer of exactly the input's size, so that AddressSanitizer sees a read past it.
        const auto size = static_cast<std::size_t>(std::filesystem::file_size(file));
        const auto data = std::make_unique<std::uint8_t[]>(size);
        std::ifstream in(file, std::ios::binary);
        if (!in.read(reinterpret_cast<char*>(data.get()), static_cast<std::streamsize>(size))) {
            std::fprintf(stderr, "replay: cannot read '%s'\n", file.c_str());
            return 2;
        }
        std::printf("%s\n", file.c_str());
        std::fflush(stdout);
        LLVMFuzzerTestOneInput(data.get(), size);
    }
    std::printf("replayed %zu inputs\n", files.size());
    return 0;
}
