#include "controls/statusbar/TwipScale.h"

#include <QWidget>
#include <cmath>

namespace tesselar {

namespace {

constexpr double kTwipsPerInch = 1440.0;

int ToPixels(double twips, double dpi) {
    return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch));
}

float ToTwips(int pixels, double dpi) {
    return static_cast<float>(pixels * kTwipsPerInch / dpi);
}

}  // namespace

TwipScale::TwipScale(double dpiX, double dpiY) : dpiX_(dpiX), dpiY_(dpiY) {}

TwipScale TwipScale::Of(const QWidget& widget) {
    return TwipScale(widget.logicalDpiX(), widget.logicalDpiY());
}

int TwipScale::PixelsX(double twips) const {
    return ToPixels(twips, dpiX_);
}
int TwipScale::PixelsY(double twips) const {
    return ToPixels(twips, dpiY_);
}
float TwipScale::TwipsX(int pixels) const {
    return ToTwips(pixels, dpiX_);
}
float TwipScale::TwipsY(int pixels) const {
    return ToTwips(pixels, dpiY_);
}

QRect TwipScale::Rect(double left, double top, double width, double height) const {
    const int x = PixelsX(left);
    const int y = PixelsY(top);
    return {x, y, PixelsX(left + width) - x, PixelsY(top + height) - y};
}

}  // namespace tesselar
