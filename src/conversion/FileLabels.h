#pragma once

#include <string>

namespace tesselar {

// How error messages name each input file: by its role in the conversion and its path.

inline std::string XAxysFileLabel(const std::string& path) {
    return "X axys file '" + path + "'";
}

inline std::string YAxysFileLabel(const std::string& path) {
    return "Y axys file '" + path + "'";
}

inline std::string AttributeFileLabel(const std::string& name, const std::string& path) {
    return "Attribute '" + name + "' file '" + path + "'";
}

}  // namespace tesselar
