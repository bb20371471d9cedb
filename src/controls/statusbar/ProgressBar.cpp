#include "controls/statusbar/ProgressBar.h"

#include <algorithm>
#include <cmath>

#include "controls/statusbar/TwipScale.h"

namespace tesselar {

ProgressBar::ProgressBar(QWidget* parent) : QProgressBar(parent) {
    setRange(0, kSteps);
    setValue(0);
    setTextVisible(false);
}

void ProgressBar::SetMax(float max) {
    max_ = max;
    ShowFill();
}

void ProgressBar::SetMin(float min) {
    min_ = min;
    ShowFill();
}

void ProgressBar::SetValue(float value) {
    // The writer sets the value after every shape; it changes once in ten.
    if (value == value_) {
        return;
    }
    value_ = value;
    ShowFill();
}

void ProgressBar::Move(float left, float top, float width, float height) {
    setGeometry(TwipScale::Of(*parentWidget()).Rect(left, top, width, height));
}

// A conversion sets the value after every shape without returning to the event loop. Only a
// change of step reaches QProgressBar, which paints at once when the change shows on screen.
void ProgressBar::ShowFill() {
    const double span = static_cast<double>(max_) - min_;
    double fraction = span > 0 ? (static_cast<double>(value_) - min_) / span : 0.0;
    if (!(fraction > 0.0)) {  // also a value that is not a number
        fraction = 0.0;
    }
    const int steps = static_cast<int>(std::lround(std::min(fraction, 1.0) * kSteps));
    if (steps != value()) {
        setValue(steps);
    }
}

}  // namespace tesselar
