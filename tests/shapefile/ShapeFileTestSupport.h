#pragma once

#include <chrono>

#include "support/TempDir.h"

namespace tesselar::test {

// Noon UTC of a calendar day: the same local date in every time zone between UTC-11 and UTC+11.
inline std::chrono::system_clock::time_point NoonOf(std::chrono::year_month_day day) {
    return std::chrono::sys_days(day) + std::chrono::hours(12);
}

}  // namespace tesselar::test
