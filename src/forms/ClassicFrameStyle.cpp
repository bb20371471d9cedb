#include "forms/ClassicFrameStyle.h"

#include <qdrawutil.h>

#include <QPainter>
#include <QStyleOptionComplex>
#include <QWidget>

namespace tesselar {

namespace {

// In pixels at 96 dots per inch.
constexpr double kCaptionIndent = 6.0;
constexpr double kCaptionGap = 2.0;  // broken line either side of the caption
constexpr double kOptionCaptionSpacing = 4.0;
constexpr int kEtchedLineWidth = 2;  // a dark and a light line

int Scaled(double pixels, const QWidget* widget) {
    const double dpi = widget != nullptr ? widget->logicalDpiX() : 96.0;
    return qRound(pixels * dpi / 96.0);
}

// A frame this style draws itself: any but one with a check box.
const QStyleOptionGroupBox* PlainFrame(const QStyleOptionComplex* option) {
    const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
    return box != nullptr && (box->subControls & QStyle::SC_GroupBoxCheckBox) == 0 ? box : nullptr;
}

}  // namespace

QRect ClassicFrameStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                                        SubControl part, const QWidget* widget) const {
    const QStyleOptionGroupBox* box = control == CC_GroupBox ? PlainFrame(option) : nullptr;
    if (box == nullptr) {
        return QProxyStyle::subControlRect(control, option, part, widget);
    }
    const QRect caption = QProxyStyle::subControlRect(control, option, SC_GroupBoxLabel, widget)
                              .translated(Scaled(kCaptionIndent, widget), 0);
    QRect frame = box->rect;
    if (!box->text.isEmpty()) {
        frame.setTop(caption.center().y());
    }
    switch (part) {
        case SC_GroupBoxLabel:
            return caption;
        case SC_GroupBoxFrame:
            return frame;
        case SC_GroupBoxContents:
            return frame.adjusted(kEtchedLineWidth, kEtchedLineWidth, -kEtchedLineWidth,
                                  -kEtchedLineWidth);
        default:
            return QProxyStyle::subControlRect(control, option, part, widget);
    }
}

void ClassicFrameStyle::drawComplexControl(ComplexControl control,
                                           const QStyleOptionComplex* option, QPainter* painter,
                                           const QWidget* widget) const {
    const QStyleOptionGroupBox* box = control == CC_GroupBox ? PlainFrame(option) : nullptr;
    if (box == nullptr) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    if ((box->subControls & SC_GroupBoxFrame) != 0) {
        qDrawShadeRect(painter, subControlRect(control, option, SC_GroupBoxFrame, widget),
                       box->palette, true, 1, 0);
    }
    if ((box->subControls & SC_GroupBoxLabel) != 0 && !box->text.isEmpty()) {
        const QRect caption = subControlRect(control, option, SC_GroupBoxLabel, widget);
        const int gap = Scaled(kCaptionGap, widget);
        painter->fillRect(caption.adjusted(-gap, 0, gap, 0), box->palette.window());
        drawItemText(painter, caption, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic,
                     box->palette, (box->state & State_Enabled) != 0, box->text,
                     QPalette::WindowText);
    }
}

int ClassicFrameStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                                   const QWidget* widget) const {
    if (metric == PM_RadioButtonLabelSpacing) {
        return Scaled(kOptionCaptionSpacing, widget);
    }
    return QProxyStyle::pixelMetric(metric, option, widget);
}

}  // namespace tesselar
