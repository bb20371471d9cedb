#pragma once

namespace tesselar {

inline constexpr const char* kApplicationTitle = "Nerasco Tesselar";
inline constexpr int kVersionMajor = 1;
inline constexpr int kVersionMinor = 1;
inline constexpr int kVersionRevision = 0;
inline constexpr const char* kVersionText = "1.1.0";

}  // namespace tesselar
