#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "conversion/Clock.h"
#include "writer/ProgressDisplay.h"

namespace tesselar::test {

// A steady clock that moves on by a fixed step after every reading; its calendar date is a
// fixed day.
class SteppingClock final : public Clock {
public:
    explicit SteppingClock(std::chrono::milliseconds step = std::chrono::milliseconds(0))
        : step_(step) {}

    std::chrono::steady_clock::time_point Now() const override {
        const auto now = now_;
        now_ += step_;
        return now;
    }
    std::chrono::system_clock::time_point CalendarNow() const override {
        return std::chrono::sys_days(std::chrono::year(2024) / 5 / 17);
    }

private:
    std::chrono::milliseconds step_;
    mutable std::chrono::steady_clock::time_point now_{std::chrono::hours(1000)};
};

// Remembers everything shown on it, in order.
class RecordingDisplay final : public ProgressDisplay {
public:
    std::vector<std::string> calls;  // "max", "min", "value", "panel3", ...
    std::vector<float> maxima;
    std::vector<float> minima;
    std::vector<float> values;
    std::vector<std::string> elapsedTexts;
    std::vector<std::string> remainingTexts;

    void SetMax(float max) override {
        calls.push_back("max");
        maxima.push_back(max);
    }
    void SetMin(float min) override {
        calls.push_back("min");
        minima.push_back(min);
    }
    void SetValue(float value) override {
        calls.push_back("value");
        values.push_back(value);
    }
    void SetPanelText(int panel, const std::string& text) override {
        calls.push_back("panel" + std::to_string(panel));
        if (panel == 3) {
            elapsedTexts.push_back(text);
        } else if (panel == 4) {
            remainingTexts.push_back(text);
        }
    }
};

}  // namespace tesselar::test
