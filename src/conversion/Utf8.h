#pragma once

#include <cstddef>
#include <string_view>

namespace tesselar {

// True for a byte that continues a UTF-8 character rather than beginning one.
inline bool IsUtf8Continuation(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0U) == 0x80U;
}

// The number of bytes of the UTF-8 character that starts at `text[at]`, or 0 when the bytes
// there are no valid UTF-8: a stray continuation byte, a cut sequence, an overlong form, a
// surrogate or a code point beyond U+10FFFF.
inline std::size_t Utf8CharacterLength(std::string_view text, std::size_t at) {
    const auto byte = [text](std::size_t index) { return static_cast<unsigned char>(text[index]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    // The range of the second byte; it is narrower than 80..BF where the lead byte alone would
    // allow overlong forms, surrogates or code points beyond U+10FFFF.
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : low;
        high = lead == 0xED ? 0x9F : high;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : low;
        high = lead == 0xF4 ? 0x8F : high;
    } else {
        return 0;
    }
    if (text.size() - at < length || byte(at + 1) < low || byte(at + 1) > high) {
        return 0;
    }
    for (std::size_t index = at + 2; index < at + length; ++index) {
        if ((byte(index) & 0xC0U) != 0x80U) {
            return 0;
        }
    }
    return length;
}

}  // namespace tesselar
