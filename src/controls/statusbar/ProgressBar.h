#pragma once

#include <QProgressBar>

namespace tesselar {

// A progress bar whose range and position are single-precision numbers, fractions included:
// it fills in proportion to (value - min) / (max - min), and stays empty when max is not above
// min. Internally the bar counts in kSteps steps.
//
// The program sets the value without returning to the event loop, so the bar paints at once
// whenever its fill moves by a pixel; QProgressBar alone would paint only moves of several
// pixels and leave the rest for the event loop.
class ProgressBar : public QProgressBar {
    Q_OBJECT
public:
    static constexpr int kSteps = 10000;

    explicit ProgressBar(QWidget* parent);

    void SetMax(float max);
    void SetMin(float min);
    void SetValue(float value);
    float Max() const { return max_; }
    float Min() const { return min_; }

    // Paints the bar now if the screen shows an earlier step than the current one, for a
    // value set last that moved the fill by less than a pixel.
    void ShowCurrentStep();

    // Places the bar on the rectangle of its parent given in twips.
    void Move(float left, float top, float width, float height);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void ShowFill();
    int FilledPixels(int steps) const;

    float max_ = 100.0f;
    float min_ = 0.0f;
    float value_ = 0.0f;
    int paintedSteps_ = -1;  // the step the screen shows, -1 before the first paint
};

}  // namespace tesselar
