#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "conversion/Clock.h"
#include "writer/ProgressDisplay.h"

namespace tesselar::test {

// A steady clock that moves on by a fixed step after every reading, on a fixed calendar day.
class SteppingClock final : public Clock {
public:
    explicit SteppingClock(std::chrono::milliseconds step = {}) : step_(step) {}

    std::chrono::steady_clock::time_point Now() const override { return (now_ += step_) - step_; }
    std::chrono::system_clock::time_point CalendarNow() const override {
        return std::chrono::sys_days(std::chrono::year(2024) / 5 / 17);
    }

private:
    std::chrono::milliseconds step_;
    mutable std::chrono::steady_clock::time_point now_{std::chrono::hours(1000)};
};

// Remembers everything shown on it, in order; `onValue` sees each bar value as it is set.
class RecordingDisplay final : public ProgressDisplay {
public:
    std::vector<std::string> calls;  // "max", "min", "value", "panel3", ...
    std::vector<float> maxima, values;
    std::vector<std::string> elapsedTexts, remainingTexts;
    std::function<void(float)> onValue = [](float) {};

    void SetMax(float max) override {
        calls.push_back("max");
        maxima.push_back(max);
    }
    void SetMin(float) override { calls.push_back("min"); }
    void SetValue(float value) override {
        calls.push_back("value");
        values.push_back(value);
        onValue(value);
    }
    void SetPanelText(int panel, const std::string& text) override {
        calls.push_back("panel" + std::to_string(panel));
        (panel == 3 ? elapsedTexts : remainingTexts).push_back(text);
    }
};

}  // namespace tesselar::test
