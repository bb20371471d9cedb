#include "controls/statusbar/StatusBar.h"

#include <string>

#include "controls/statusbar/TwipScale.h"
#include "conversion/ConversionError.h"

namespace tesselar {

StatusBarPanel::StatusBarPanel(QWidget* bar) : QLabel(bar) {
    setTextFormat(Qt::PlainText);
    setIndent(3);
    SetBevel(Bevel::Inset);
}

void StatusBarPanel::SetText(const QString& text) {
    if (text == this->text()) {
        return;
    }
    setText(text);
    repaint();
}

float StatusBarPanel::Left() const {
    return TwipScale::Of(*this).TwipsX(x());
}

float StatusBarPanel::Width() const {
    return TwipScale::Of(*this).TwipsX(width());
}

void StatusBarPanel::SetBevel(Bevel bevel) {
    setFrameStyle(bevel == Bevel::Inset ? QFrame::Panel | QFrame::Sunken : QFrame::NoFrame);
}

StatusBar::StatusBar(QWidget* parent, std::initializer_list<int> panelWidths) : QWidget(parent) {
    const TwipScale scale = TwipScale::Of(*this);
    int left = 0;
    for (const int width : panelWidths) {
        auto* panel = new StatusBarPanel(this);
        const QRect edges = scale.Rect(left, 0, width, 0);
        panel->setGeometry(edges.x(), 0, edges.width(), height());
        panels_.push_back(panel);
        left += width;
    }
}

StatusBarPanel& StatusBar::Panels(int index) {
    if (index < 1 || static_cast<std::size_t>(index) > panels_.size()) {
        throw IndexError("The status bar has no panel " + std::to_string(index) +
                         "; its panels are 1 to " + std::to_string(panels_.size()));
    }
    return *panels_[static_cast<std::size_t>(index - 1)];
}

float StatusBar::Height() const {
    return TwipScale::Of(*this).TwipsY(height());
}

void StatusBar::DockAtBottom() {
    const QWidget& parent = *parentWidget();
    setGeometry(0, parent.height() - height(), parent.width(), height());
}

void StatusBar::resizeEvent(QResizeEvent* event) {
    for (StatusBarPanel* panel : panels_) {
        panel->resize(panel->width(), height());
    }
    QWidget::resizeEvent(event);
}

}  // namespace tesselar
