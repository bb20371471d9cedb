#pragma once

namespace tesselar {

// Every attribute becomes a numeric column 10 characters wide with 5 decimals.
inline constexpr int kAttributeFieldWidth = 10;
inline constexpr int kAttributeFieldDecimals = 5;

// A cell's ring as written: its four corners and the first corner again to close it.
inline constexpr int kClosedCellRingVertices = 5;

}  // namespace tesselar
