#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tesselar {

inline constexpr std::string_view kBeginDataMarker = "<BeginData>";
inline constexpr std::size_t kValueTextLength = 10;

// Both scans read a file from its first line until a line holds what they look for, and stop
// early where the next line is empty or the file ends.

// The value text of a keyword line, and where it came from.
struct HeaderValue {
    std::string text;
    std::int64_t line = 0;       // the line the text was taken from; 0 when no line was read
    bool found = false;          // whether that line holds the keyword
    std::int64_t emptyLine = 0;  // the empty line that ended the scan, if one did
};

// The first line holding `keyword`: the at most 10 characters after its first ":" (its first
// 10 characters when it has none). When the scan ends without it, the text is taken the same
// way from the last line read.
HeaderValue ScanHeaderValue(const std::string& path, const std::string& label,
                            std::string_view keyword);

struct MarkerLine {
    std::int64_t line = 0;  // the marker line, or else the last line read (0 for none)
    bool found = false;
    std::int64_t emptyLine = 0;  // the empty line that ended the scan, if one did
};

MarkerLine ScanForMarker(const std::string& path, const std::string& label,
                         std::string_view marker);

}  // namespace tesselar
