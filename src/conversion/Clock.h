#pragma once

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
    std::chrono::steady_clock::time_point Now() const override {
        return std::chrono::steady_clock::now();
    }
    std::chrono::system_clock::time_point CalendarNow() const override {
        return std::chrono::system_clock::now();
    }
};

}  // namespace tesselar
