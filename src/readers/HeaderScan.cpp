#include "readers/HeaderScan.h"

namespace tesselar {

namespace {

bool IsUtf8Continuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0U) == 0x80U;
}

// The first `count` characters of the text.
std::string_view FirstCharacters(std::string_view text, std::size_t count) {
    std::size_t end = 0;
    for (std::size_t characters = 0; end < text.size(); ++end) {
        if (!IsUtf8Continuation(text[end]) && characters++ == count) {
            break;
        }
    }
    return text.substr(0, end);
}

}  // namespace

std::string_view KeywordValueText(std::string_view line) {
    const std::size_t colon = line.find(':');
    if (colon != std::string_view::npos) {
        line.remove_prefix(colon + 1);
    }
    return FirstCharacters(line, kValueTextLength);
}

}  // namespace tesselar
