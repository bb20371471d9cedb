#pragma once

#include <QPushButton>

namespace tesselar {

// A push button whose caption wraps onto further lines when it is wider than the button, as
// "Select to Change" must on its narrow button.
class WrappingButton : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace tesselar
