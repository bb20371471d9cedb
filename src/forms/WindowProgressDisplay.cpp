#include "forms/WindowProgressDisplay.h"

#include <algorithm>

namespace tesselar {

WindowProgressDisplay::WindowProgressDisplay(ProgressBar& bar, StatusBar& statusBar,
                                             const Clock& clock)
    : bar_(bar), statusBar_(statusBar), clock_(clock) {}

WindowProgressDisplay::~WindowProgressDisplay() {
    bar_.ShowCurrentStep();
    for (Panel& panel : panels_) {
        if (panel.pending) {
            Show(panel, clock_.Now());
        }
    }
}

void WindowProgressDisplay::SetPanelText(int number, const std::string& text) {
    const auto index = static_cast<std::size_t>(number);
    if (panels_.size() <= index || panels_[index].widget == nullptr) {
        StatusBarPanel& widget = statusBar_.Panels(number);
        panels_.resize(std::max(panels_.size(), index + 1));
        panels_[index].widget = &widget;
    }
    Panel& panel = panels_[index];
    if (panel.text != text) {
        panel.text = text;
        panel.pending = true;
    }
    if (!panel.pending) {
        return;
    }
    const auto now = clock_.Now();
    if (!panel.shownAt || now - *panel.shownAt >= kPanelRepaintInterval) {
        Show(panel, now);
    }
}

void WindowProgressDisplay::Show(Panel& panel, std::chrono::steady_clock::time_point now) {
    panel.widget->SetText(QString::fromStdString(panel.text));
    panel.pending = false;
    panel.shownAt = now;
}

}  // namespace tesselar
