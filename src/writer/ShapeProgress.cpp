#include "writer/ShapeProgress.h"

#include <cmath>

#include "writer/TimeText.h"

namespace tesselar {

ShapeProgress::ShapeProgress(ProgressDisplay& display, const Clock& clock, std::int16_t iMax,
                             std::int16_t jMax)
    : display_(display), clock_(clock), shows_(display.Shows()), iMax_(iMax), jMax_(jMax) {
    // The bar counts tens of shapes: 25 shapes give a maximum of 2.5.
    display_.SetMax(static_cast<float>(iMax_ * 0.1 * jMax_));
    display_.SetMin(0.0f);
}

void ShapeProgress::Start() {
    start_ = clock_.Now();
}

void ShapeProgress::Show(std::int32_t shapeNumber) {
    display_.SetValue(static_cast<float>(std::floor(shapeNumber / 10.0)));

    const double elapsed = std::chrono::duration<double>(clock_.Now() - start_).count();
    // The mean time per shape so far, times the shapes still to come.
    const double remaining = elapsed / shapeNumber * iMax_ * jMax_ - elapsed;
    display_.SetPanelText(kElapsedPanel, elapsed_.For(elapsed));
    display_.SetPanelText(kRemainingPanel, remaining_.For(remaining));
}

const std::string& ShapeProgress::TimePanel::For(double seconds) {
    const std::int64_t whole = WholeSeconds(seconds);
    if (whole != shownSeconds_) {
        shownSeconds_ = whole;
        text_ = label_;
        text_ += TimeText(whole);
    }
    return text_;
}

}  // namespace tesselar
