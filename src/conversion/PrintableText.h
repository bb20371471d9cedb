#pragma once

#include <string>
#include <string_view>

#include "conversion/Utf8.h"

namespace tesselar {

// Text taken from an input file or typed by the user, made fit to quote in a message: control
// bytes (a binary file's, or a NUL that would end the message early) and bytes that are no
// UTF-8 (8-bit text in another code page) are shown as \xNN escapes.
inline std::string PrintableText(std::string_view text) {
    static constexpr char kHexDigits[] = "0123456789ABCDEF";
    std::string printable;
    printable.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        const std::size_t length = Utf8CharacterLength(text, at);
        if (length == 0 || byte < 0x20 || byte == 0x7F) {
            printable += "\\x";
            printable += kHexDigits[byte >> 4];
            printable += kHexDigits[byte & 0x0F];
            ++at;
        } else {
            printable.append(text.substr(at, length));
            at += length;
        }
    }
    return printable;
}

// The text as PrintableText shows it, in single quotes, as messages quote names and lines.
inline std::string QuotedPrintable(std::string_view text) {
    return "'" + PrintableText(text) + "'";
}

}  // namespace tesselar
