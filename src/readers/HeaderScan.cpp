#include "readers/HeaderScan.h"

#include "conversion/Utf8.h"
#include "readers/TextStream.h"

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

std::string_view ValueText(std::string_view line) {
    const std::size_t colon = line.find(':');
    if (colon != std::string_view::npos) {
        line.remove_prefix(colon + 1);
    }
    return FirstCharacters(line, kValueTextLength);
}

// Where the scan stopped without finding its text: an empty line, or the end of the file.
std::int64_t EmptyLineAhead(TextStream& stream) {
    return stream.AtEndOfStream() ? 0 : stream.Line();
}

}  // namespace

HeaderValue ScanHeaderValue(const std::string& path, const std::string& label,
                            std::string_view keyword) {
    TextStream stream(path, label);
    HeaderValue result;
    while (!stream.AtEndOfLine()) {
        result.line = stream.Line();
        // The line is only valid until the next read: keep its value text, which is short.
        const std::string_view line = stream.ReadLine();
        result.text.assign(ValueText(line));
        if (line.find(keyword) != std::string_view::npos) {
            result.found = true;
            return result;
        }
    }
    result.emptyLine = EmptyLineAhead(stream);
    return result;
}

MarkerLine ScanForMarker(const std::string& path, const std::string& label,
                         std::string_view marker) {
    TextStream stream(path, label);
    MarkerLine result;
    while (!stream.AtEndOfLine()) {
        result.line = stream.Line();
        if (stream.ReadLine().find(marker) != std::string_view::npos) {
            result.found = true;
            return result;
        }
    }
    result.emptyLine = EmptyLineAhead(stream);
    return result;
}

}  // namespace tesselar
