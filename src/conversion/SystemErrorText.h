#pragma once

#include <string>
#include <system_error>

namespace tesselar {

// What the system says about an errno value, for the end of a message ("No such file or
// directory").
inline std::string SystemErrorText(int error) {
    return std::error_code(error, std::generic_category()).message();
}

}  // namespace tesselar
