#pragma once

#include <string>

#include "conversion/PrintableText.h"

namespace tesselar {

// How error messages name each input file: by its role in the conversion and its path.

inline std::string XAxysFileLabel(const std::string& path) {
    return "X axys file '" + PrintableText(path) + "'";
}

inline std::string YAxysFileLabel(const std::string& path) {
    return "Y axys file '" + PrintableText(path) + "'";
}

inline std::string AttributeFileLabel(const std::string& name, const std::string& path) {
    return "Attribute '" + PrintableText(name) + "' file '" + PrintableText(path) + "'";
}

}  // namespace tesselar
