// Loaded into tesselar-convert with LD_PRELOAD by the robustness scripts, to give it what this
// machine does not: a folder where nameless files cannot be made, and a signal at a moment no
// outside program can hit. Each is asked for through the environment:
//   TESSELAR_SHIM_NO_NAMELESS_FILES=1  open(2) with O_TMPFILE fails with EOPNOTSUPP, as on vfat,
//                                      SMB, NFSv3 or FUSE;
//   TESSELAR_SHIM_SIGNAL_ON_REMOVE=N   signal N arrives once, as the first hidden file (a name
//                                      beginning with '.') is about to be removed;
//   TESSELAR_SHIM_SIGNAL_AT_EXIT=N     signal N arrives as the process ends, after main returned.
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

namespace {

int SignalAskedFor(const char* variable) {
    const char* value = std::getenv(variable);
    return value == nullptr ? 0 : std::atoi(value);
}

bool RefusedAsNameless(int flags) {
    return (flags & O_TMPFILE) == O_TMPFILE && std::getenv("TESSELAR_SHIM_NO_NAMELESS_FILES");
}

template <typename Function>
Function* Next(const char* name) {
    return reinterpret_cast<Function*>(::dlsym(RTLD_NEXT, name));
}

// open(2) and open64(2) take a mode only when they may create a file.
mode_t ModeOf(int flags, va_list arguments) {
    return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(arguments, mode_t)
                                                                      : 0;
}

int Open(const char* function, const char* path, int flags, mode_t mode) {
    if (RefusedAsNameless(flags)) {
        errno = EOPNOTSUPP;
        return -1;
    }
    return Next<int(const char*, int, ...)>(function)(path, flags, mode);
}

__attribute__((destructor)) void SignalAtExit() {
    if (const int signal = SignalAskedFor("TESSELAR_SHIM_SIGNAL_AT_EXIT")) {
        std::raise(signal);
    }
}

}  // namespace

extern "C" int open(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = ModeOf(flags, arguments);
    va_end(arguments);
    return Open("open", path, flags, mode);
}

extern "C" int open64(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = ModeOf(flags, arguments);
    va_end(arguments);
    return Open("open64", path, flags, mode);
}

extern "C" int unlink(const char* path) {
    static bool signalled = false;
    const char* slash = std::strrchr(path, '/');
    const char* name = slash == nullptr ? path : slash + 1;
    if (const int signal = SignalAskedFor("TESSELAR_SHIM_SIGNAL_ON_REMOVE");
        signal != 0 && name[0] == '.' && !signalled) {
        signalled = true;
        std::raise(signal);
    }
    return Next<int(const char*)>("unlink")(path);
}
