#pragma once

#include "controls/shapefile/FormatSizes.h"

namespace tesselar {

// Every attribute becomes a numeric column 10 characters wide with 5 decimals, unless fitted.
inline constexpr int kAttributeFieldWidth = 10;
inline constexpr int kAttributeFieldDecimals = 5;

// A fitted column is at most as wide, with as many decimals, as a number column can be.
inline constexpr int kMaxFittedWidth = kMaxNumberWidth;
inline constexpr int kMaxFittedDecimals = kMaxNumberDecimals;

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

// The same in a GeoPackage or FlatGeobuf layer: "step", an integer, and "time", a date-time.
inline constexpr const char* kStepLayerColumn = "step";
inline constexpr const char* kTimeLayerColumn = "time";

// A cell's ring as written: its four corners and the first corner again to close it.
inline constexpr int kClosedCellRingVertices = 5;

}  // namespace tesselar
