#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tesselar {

inline constexpr std::string_view kBeginDataMarker = "<BeginData>";
inline constexpr std::size_t kValueTextLength = 10;

// The value text of a keyword line: the at most 10 characters after its first ":" (its first 10
// characters when it has none). A character spans all bytes of its UTF-8 form.
std::string_view KeywordValueText(std::string_view line);

// The first header line holding a keyword, when one does.
struct KeywordLine {
    std::string text;       // its value text
    std::int64_t line = 0;  // 0 when no header line holds the keyword
};

// Where the header lines that may hold keyword lines end: at the first empty line, the
// "<BeginData>" line or the end of the file, whichever comes first.
enum class HeaderEnd { kEmptyLine, kMarkerLine, kEndOfFile };

struct HeaderStop {
    HeaderEnd end = HeaderEnd::kEndOfFile;
    std::int64_t line = 0;  // the empty or marker line; for the end of the file its last line
};

}  // namespace tesselar
