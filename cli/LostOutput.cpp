#include "cli/LostOutput.h"

#include <cerrno>
#include <system_error>

namespace tesselar {

void WarnWhenOutputIsLost(std::ostream& out, std::ostream& err, std::string_view program) {
    errno = 0;
    if (out.flush()) {
        return;
    }
    const int error = errno;
    err << program << ": warning: cannot write to standard output";
    if (error != 0) {
        err << ": " << std::generic_category().message(error);
    }
    err << '\n';
}

}  // namespace tesselar
