#include "readers/HeaderScan.h"

#include "conversion/Utf8.h"

namespace tesselar {

namespace {

// The first `count` characters of the text; a character spans all bytes of its UTF-8 form.
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
