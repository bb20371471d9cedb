#pragma once

#include <time.h>

#include <chrono>

namespace tesselar {

// The clock a conversion reads: a steady clock to measure how long the writing takes, and the
// calendar date stamped into the attribute table. Tests substitute their own.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::chrono::steady_clock::time_point Now() const = 0;
    virtual std::chrono::system_clock::time_point CalendarNow() const = 0;
};

class SystemClock final : public Clock {
public:
    // The writer reads the clock after every shape, a million times for a large grid. The
    // coarse monotonic clock (steady_clock's own clock, at the resolution of the kernel's tick)
    // costs a fraction of the precise one and still resolves far below the second shown.
    std::chrono::steady_clock::time_point Now() const override {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
        return std::chrono::steady_clock::time_point(std::chrono::seconds(now.tv_sec) +
                                                     std::chrono::nanoseconds(now.tv_nsec));
    }
    std::chrono::system_clock::time_point CalendarNow() const override {
        return std::chrono::system_clock::now();
    }
};

}  // namespace tesselar
