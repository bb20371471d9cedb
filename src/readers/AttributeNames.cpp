#include "readers/AttributeNames.h"

#include <string>

#include "conversion/ConversionError.h"
#include "conversion/Utf8.h"
#include "readers/PrintableText.h"

namespace tesselar {

namespace {

bool IsControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

void CheckName(const std::string& name) {
    const std::string refused = "Attribute '" + PrintableText(name) + "': ";
    for (std::size_t at = 0; at < name.size();) {
        if (IsControl(name[at])) {
            throw ConversionError(refused + "the name holds a control character (byte " +
                                  std::to_string(at + 1) + ", " +
                                  PrintableText(name.substr(at, 1)) +
                                  "); a column name holds no tabs, line breaks or other control "
                                  "characters");
        }
        const std::size_t length = Utf8CharacterLength(name, at);
        if (length == 0) {
            throw ConversionError(refused + "the name is not UTF-8 text (byte " +
                                  std::to_string(at + 1) + ", " +
                                  PrintableText(name.substr(at, 1)) +
                                  "); the shapefile stores its column names as UTF-8");
        }
        at += length;
    }
}

}  // namespace

void CheckAttributeNames(const ConversionJob& job) {
    for (int k = 1; k <= job.AttribCount; ++k) {
        CheckName(job.AttribNames[static_cast<std::size_t>(k)]);
    }
}

}  // namespace tesselar
