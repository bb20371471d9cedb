#pragma once

#include <QRect>

class QWidget;

namespace tesselar {

// The windows are laid out in twips, 1/1440 inch, so that they keep their proportions on any
// screen. A scale converts twips to pixels and back at a screen's logical dots per inch:
// 15 twips per pixel at 96 dpi.
class TwipScale {
public:
    TwipScale(double dpiX, double dpiY);

    // The scale of the screen that `widget` shows on.
    static TwipScale Of(const QWidget& widget);

    int PixelsX(double twips) const;
    int PixelsY(double twips) const;
    float TwipsX(int pixels) const;
    float TwipsY(int pixels) const;

    // A rectangle given in twips. Its edges are converted one by one, so that rectangles that
    // meet in twips also meet in pixels.
    QRect Rect(double left, double top, double width, double height) const;

private:
    double dpiX_;
    double dpiY_;
};

}  // namespace tesselar
