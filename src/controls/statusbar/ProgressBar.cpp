#include "controls/statusbar/ProgressBar.h"

#include <QStyle>
#include <QStyleOptionProgressBar>
#include <algorithm>
#include <cmath>
#include <cstdint>

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

void ProgressBar::ShowCurrentStep() {
    if (paintedSteps_ != value()) {
        repaint();
    }
}

void ProgressBar::Move(float left, float top, float width, float height) {
    setGeometry(TwipScale::Of(*parentWidget()).Rect(left, top, width, height));
}

void ProgressBar::paintEvent(QPaintEvent* event) {
    paintedSteps_ = value();
    QProgressBar::paintEvent(event);
}

// Only a change of step reaches QProgressBar, and only a change of the filled pixels is
// painted at once.
void ProgressBar::ShowFill() {
    const double span = static_cast<double>(max_) - min_;
    double fraction = span > 0 ? (static_cast<double>(value_) - min_) / span : 0.0;
    if (!(fraction > 0.0)) {  // also a value that is not a number
        fraction = 0.0;
    }
    const int steps = static_cast<int>(std::lround(std::min(fraction, 1.0) * kSteps));
    if (steps == value()) {
        return;
    }
    setValue(steps);
    if (paintedSteps_ != steps && FilledPixels(paintedSteps_) != FilledPixels(steps)) {
        repaint();
    }
}

// The width of the fill for `steps`, as the style lays out the bar's contents.
int ProgressBar::FilledPixels(int steps) const {
    QStyleOptionProgressBar option;
    initStyleOption(&option);
    const int length =
        style()->subElementRect(QStyle::SE_ProgressBarContents, &option, this).width();
    return static_cast<int>(static_cast<std::int64_t>(std::max(steps, 0)) * length / kSteps);
}

}  // namespace tesselar
