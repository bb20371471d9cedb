#pragma once

#include <string>
#include <string_view>

namespace tesselar {

// Text taken from an input file, made fit to quote in a message: control bytes (a binary
// file's, or a NUL that would end the message early) are shown as \xNN escapes.
inline std::string PrintableText(std::string_view text) {
    static constexpr char kHexDigits[] = "0123456789ABCDEF";
    std::string printable;
    printable.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            printable += "\\x";
            printable += kHexDigits[byte >> 4];
            printable += kHexDigits[byte & 0x0F];
        } else {
            printable += c;
        }
    }
    return printable;
}

}  // namespace tesselar
