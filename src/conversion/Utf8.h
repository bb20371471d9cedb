#pragma once

namespace tesselar {

// True for a byte that continues a UTF-8 character rather than beginning one.
inline bool IsUtf8Continuation(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0U) == 0x80U;
}

}  // namespace tesselar
