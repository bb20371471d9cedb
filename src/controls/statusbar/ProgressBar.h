#pragma once

#include <QProgressBar>

namespace tesselar {

// A progress bar whose range and position are single-precision numbers, fractions included:
// it fills in proportion to (value - min) / (max - min), and stays empty when max is not above
// min. Internally the bar counts in kSteps steps.
class ProgressBar : public QProgressBar {
    Q_OBJECT
public:
    static constexpr int kSteps = 10000;

    explicit ProgressBar(QWidget* parent);

    void SetMax(float max);
    void SetMin(float min);
    void SetValue(float value);

    // Places the bar on the rectangle of its parent given in twips.
    void Move(float left, float top, float width, float height);

private:
    void ShowFill();

    float max_ = 100.0f;
    float min_ = 0.0f;
    float value_ = 0.0f;
};

}  // namespace tesselar
