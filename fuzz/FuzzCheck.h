#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

// Ends the run with the broken invariant on stderr; libFuzzer keeps the input as a crash.
#define FUZZ_CHECK(condition, what)                                                   \
    do {                                                                              \
        if (!(condition)) {                                                           \
            std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, \
                         std::string(what).c_str());                                  \
            std::abort();                                                             \
        }                                                                             \
    } while (false)
