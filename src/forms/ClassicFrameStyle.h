#pragma once

#include <QProxyStyle>

namespace tesselar {

// The look of frames and option buttons that the window's layout was designed for. A frame is
// an etched line, and its caption stands on the top line, which is broken behind the caption,
// rather than above it: the controls placed just below the caption then lie inside the border.
// An option button's caption starts 4 pixels (at 96 dpi) after its circle, so that
// "Point (Particles)" fits its designed width.
class ClassicFrameStyle final : public QProxyStyle {
    Q_OBJECT
public:
    using QProxyStyle::QProxyStyle;

    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl part,
                         const QWidget* widget) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override;
};

}  // namespace tesselar
