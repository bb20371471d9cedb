#include "readers/AttributeNames.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "conversion/ConversionError.h"
#include "conversion/PrintableText.h"
#include "conversion/Utf8.h"

namespace tesselar {

namespace {

bool IsControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

// The code point of `character`, one valid UTF-8 character.
char32_t CodePoint(std::string_view character) {
    const auto byte = [character](std::size_t index) {
        return static_cast<char32_t>(static_cast<unsigned char>(character[index]));
    };
    if (character.size() == 1) {
        return byte(0);
    }
    char32_t point = byte(0) & (0x7FU >> character.size());
    for (std::size_t index = 1; index < character.size(); ++index) {
        point = (point << 6) | (byte(index) & 0x3FU);
    }
    return point;
}

struct Range {
    char32_t first;
    char32_t last;
};

// Characters that break a line or steer how text is shown without showing themselves: the C1
// controls (NEL, U+0085, among them), the line and paragraph separators (Zl, Zp) and the format
// characters (Cf: soft hyphen, zero-width and direction marks such as U+202E, byte-order mark,
// tags) of Unicode 15.
constexpr Range kInvisibleCharacters[] = {
    {0x0080, 0x009F},   {0x00AD, 0x00AD},   {0x0600, 0x0605},   {0x061C, 0x061C},
    {0x06DD, 0x06DD},   {0x070F, 0x070F},   {0x0890, 0x0891},   {0x08E2, 0x08E2},
    {0x180E, 0x180E},   {0x200B, 0x200F},   {0x2028, 0x202E},   {0x2060, 0x2064},
    {0x2066, 0x206F},   {0xFEFF, 0xFEFF},   {0xFFF9, 0xFFFB},   {0x110BD, 0x110BD},
    {0x110CD, 0x110CD}, {0x13430, 0x1343F}, {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A},
    {0xE0001, 0xE0001}, {0xE0020, 0xE007F},
};

// The space separators (Zs): the blank and its wider or unbreakable forms.
constexpr Range kBlanks[] = {
    {0x0020, 0x0020}, {0x00A0, 0x00A0}, {0x1680, 0x1680}, {0x2000, 0x200A},
    {0x202F, 0x202F}, {0x205F, 0x205F}, {0x3000, 0x3000},
};

template <std::size_t N>
bool IsIn(const Range (&ranges)[N], char32_t point) {
    for (const Range& range : ranges) {
        if (point >= range.first && point <= range.last) {
            return true;
        }
    }
    return false;
}

std::string CodePointText(char32_t point) {
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(point));
    return text;
}

void CheckName(const std::string& name) {
    const std::string refused = "Attribute '" + PrintableText(name) + "': ";
    const auto where = [&name](std::size_t at, std::size_t length) {
        return " (byte " + std::to_string(at + 1) + ", " + PrintableText(name.substr(at, length));
    };
    for (std::size_t at = 0; at < name.size();) {
        if (IsControl(name[at])) {
            throw ConversionError(refused + "the name holds a control character" + where(at, 1) +
                                  "); a column name holds no tabs, line breaks or other control "
                                  "characters");
        }
        const std::size_t length = Utf8CharacterLength(name, at);
        if (length == 0) {
            throw ConversionError(refused + "the name is not UTF-8 text" + where(at, 1) +
                                  "); the shapefile stores its column names as UTF-8");
        }
        const char32_t point = CodePoint(std::string_view(name).substr(at, length));
        if (IsIn(kInvisibleCharacters, point)) {
            throw ConversionError(refused + "the name holds the invisible character " +
                                  CodePointText(point) + " (byte " + std::to_string(at + 1) +
                                  "); a column name holds no line breaks, direction marks or "
                                  "other characters that do not show");
        }
        const bool first = at == 0;
        at += length;
        if (IsIn(kBlanks, point) && (first || at == name.size())) {
            throw ConversionError(refused + "the name " + (first ? "begins" : "ends") +
                                  " with a blank (" + CodePointText(point) +
                                  "); GIS programs disagree on blanks around a column name, "
                                  "some keep them and some drop them");
        }
    }
}

}  // namespace

void CheckAttributeNames(const ConversionJob& job) {
    for (int k = 1; k <= job.AttribCount; ++k) {
        CheckName(job.AttribNames[static_cast<std::size_t>(k)]);
    }
}

}  // namespace tesselar
