#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

namespace tesselar::fuzz {

// Ends the run with the broken invariant on stderr; libFuzzer keeps the input as a crash.
[[noreturn]] inline void Fail(const char* file, int line, const std::string& what) {
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, what.c_str());
    std::abort();
}

}  // namespace tesselar::fuzz

#define FUZZ_CHECK(condition, what)                             \
    do {                                                        \
        if (!(condition)) {                                     \
            ::tesselar::fuzz::Fail(__FILE__, __LINE__, (what)); \
        }                                                       \
    } while (false)
