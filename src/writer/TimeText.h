#pragma once

#include <cstdint>
#include <string>

namespace tesselar {

// The whole seconds nearest to a duration in seconds. A negative duration (the remaining time
// at the last shape can come out a hair below zero) counts as 0.
std::int64_t WholeSeconds(double seconds);

// A duration as a 24-hour clock shows it, "hh:mm:ss"; a day or more is prefixed with the
// whole days: "1 day 02:03:04", "3 days 00:00:10". Negative durations show 00:00:00.
std::string TimeText(std::int64_t wholeSeconds);

}  // namespace tesselar
