#pragma once

#include <dlfcn.h>

#include <string>

namespace tesselar {

// A shared library loaded by its soname when first needed, and never closed, so that a
// conversion that does not use it does not pay for loading and linking it and the many
// libraries it needs. Failures throw `Error` with `failure` followed by what the loader said.
template <typename Error>
class LoadedLibrary {
public:
    LoadedLibrary(const char* soname, std::string failure)
        : failure_(std::move(failure)), handle_(dlopen(soname, RTLD_NOW | RTLD_LOCAL)) {
        if (handle_ == nullptr) {
            Fail();
        }
    }

    // Sets `function` to the library's function `name`.
    template <typename Function>
    void Find(const char* name, Function& function) const {
        function = reinterpret_cast<Function>(dlsym(handle_, name));
        if (function == nullptr) {
            Fail();
        }
    }

private:
    [[noreturn]] void Fail() const {
        const char* reason = dlerror();
        throw Error(failure_ + (reason != nullptr ? reason : "no reason given"));
    }

    std::string failure_;
    void* handle_;
};

}  // namespace tesselar
