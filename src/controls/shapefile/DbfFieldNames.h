#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tesselar {

// A dBASE column name holds at most 10 bytes.
inline constexpr std::size_t kDbfFieldNameBytes = 10;

// The longest start of `text` of at most `maxBytes` bytes that ends on a whole UTF-8 character.
std::string_view Utf8Prefix(std::string_view text, std::size_t maxBytes);

// The dBASE name of a column called `name`: shortened to 10 bytes without blanks at its end,
// "FIELD" for a name left empty, and, when it equals one of `taken` ignoring ASCII case (as GIS
// programs compare column names), given a suffix "_1", "_2", ... with its start shortened so that
// the whole still fits.
std::string DbfFieldName(std::string_view name, const std::vector<std::string>& taken);

}  // namespace tesselar
