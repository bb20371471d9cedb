#include "writer/TimeText.h"

#include <cmath>
#include <cstdio>

namespace tesselar {

namespace {

constexpr std::int64_t kSecondsPerDay = 24 * 60 * 60;

// Far beyond any real conversion, and well inside the range std::llround can convert.
constexpr double kLongestShownSeconds = 1e15;

}  // namespace

std::int64_t WholeSeconds(double seconds) {
    if (!(seconds > 0.0)) {  // also NaN
        return 0;
    }
    return std::llround(std::fmin(seconds, kLongestShownSeconds));
}

std::string TimeText(std::int64_t wholeSeconds) {
    const std::int64_t total = wholeSeconds < 0 ? 0 : wholeSeconds;
    const std::int64_t days = total / kSecondsPerDay;
    const std::int64_t ofDay = total % kSecondsPerDay;
    const auto hours = static_cast<int>(ofDay / 3600);
    const auto minutes = static_cast<int>(ofDay / 60 % 60);
    const auto seconds = static_cast<int>(ofDay % 60);

    char clock[16];
    std::snprintf(clock, sizeof clock, "%02d:%02d:%02d", hours, minutes, seconds);
    if (days == 0) {
        return clock;
    }
    return std::to_string(days) + (days == 1 ? " day " : " days ") + clock;
}

}  // namespace tesselar
