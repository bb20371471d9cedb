#pragma once

namespace tesselar {

// Every attribute becomes a numeric column 10 characters wide with 5 decimals, unless fitted.
inline constexpr int kAttributeFieldWidth = 10;
inline constexpr int kAttributeFieldDecimals = 5;

// The widest fitted column and its most decimals: the largest number column every reader
// takes (ArcGIS reads a dBASE number of up to 19 characters; GDAL, shapelib and pyshp more).
// 19 characters hold any 17-digit value whose point lies among its digits, with its sign.
inline constexpr int kMaxFittedWidth = 19;
inline constexpr int kMaxFittedDecimals = 15;

// The cell index columns: integers of up to 5 digits, enough for the 32767 cells along i or j
// (or particles) that the 16-bit grid sizes allow.
inline constexpr const char* kCellIColumn = "I";
inline constexpr const char* kCellJColumn = "J";
inline constexpr int kCellIndexFieldWidth = 5;

// A model run's step columns: the step's number, an integer column of up to 9 digits (which GIS
// programs read as a 32-bit integer), and its time as text, "2024-01-01T00:00:00Z": dBASE has
// no date-time.
inline constexpr const char* kStepColumn = "STEP";
inline constexpr int kStepFieldWidth = 9;
inline constexpr const char* kTimeColumn = "TIME";
inline constexpr int kTimeFieldWidth = 20;

// A cell's ring as written: its four corners and the first corner again to close it.
inline constexpr int kClosedCellRingVertices = 5;

}  // namespace tesselar
