#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "conversion/Clock.h"
#include "writer/ProgressDisplay.h"

namespace tesselar {

// How far the writing has got, shown on a ProgressDisplay: the bar counts tens of shapes, and
// panels 3 and 4 give the time spent so far and an estimate of the time left.
class ShapeProgress {
public:
    // Sets the bar's range for iMax x jMax shapes (jMax is 1 for points).
    ShapeProgress(ProgressDisplay& display, const Clock& clock, std::int16_t iMax,
                  std::int16_t jMax);

    // Takes the start time; called as the first shape begins.
    void Start();

    // Shows the state after shape `shapeNumber` (1-based) has been written. Inline, so that a
    // display that shows nothing costs the writing loop a test per shape and no clock read.
    void Step(std::int32_t shapeNumber) {
        if (shows_) {
            Show(shapeNumber);
        }
    }

private:
    void Show(std::int32_t shapeNumber);

    // A panel text that is formatted anew only when its whole second changes, so that a shape
    // costs no formatting and no allocation otherwise.
    class TimePanel {
    public:
        explicit TimePanel(const char* label) : label_(label) {}
        const std::string& For(double seconds);

    private:
        const char* label_;
        std::int64_t shownSeconds_ = -1;
        std::string text_;
    };

    ProgressDisplay& display_;
    const Clock& clock_;
    bool shows_;
    double iMax_;
    double jMax_;
    std::chrono::steady_clock::time_point start_;
    TimePanel elapsed_{"Time elapsed: "};
    TimePanel remaining_{"Time remaining: "};
};

}  // namespace tesselar
