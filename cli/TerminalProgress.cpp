#include "cli/TerminalProgress.h"

#include <algorithm>
#include <cmath>

namespace tesselar {

namespace {

constexpr int kBarWidth = 30;

}  // namespace

TerminalProgress::TerminalProgress(std::ostream& terminal) : terminal_(terminal) {}

void TerminalProgress::SetMax(float max) {
    max_ = max;
}

void TerminalProgress::SetMin(float min) {
    min_ = min;
}

void TerminalProgress::SetValue(float value) {
    value_ = value;
    const int percent = Percent();
    if (percent != shownPercent_) {
        Draw(percent);
    }
}

void TerminalProgress::SetPanelText(int panel, const std::string& text) {
    std::string* shown = panel == kElapsedPanel     ? &elapsed_
                         : panel == kRemainingPanel ? &remaining_
                                                    : nullptr;
    if (shown != nullptr && *shown != text) {
        *shown = text;
        Draw(Percent());
    }
}

void TerminalProgress::SetStep(int step, int count) {
    step_ = "step " + std::to_string(step) + "/" + std::to_string(count) + " ";
    value_ = min_;
    // Before the first step's bar has its range there is nothing to show.
    if (max_ > min_) {
        Draw(Percent());
    }
}

void TerminalProgress::Finish(bool completed) {
    if (shownPercent_ < 0) {
        return;
    }
    if (completed && shownPercent_ < 100) {
        Draw(100);
    }
    terminal_ << '\n' << std::flush;
}

int TerminalProgress::Percent() const {
    if (!(max_ > min_)) {
        return 100;  // a grid without cells is complete at once
    }
    const double share = (static_cast<double>(value_) - min_) / (static_cast<double>(max_) - min_);
    return static_cast<int>(std::floor(std::clamp(share, 0.0, 1.0) * 100.0));
}

void TerminalProgress::Draw(int percent) {
    shownPercent_ = percent;
    const int filled = percent * kBarWidth / 100;
    line_ = "\r" + step_ + "[";
    line_.append(static_cast<std::size_t>(filled), '#');
    line_.append(static_cast<std::size_t>(kBarWidth - filled), '.');
    line_ += "] ";
    const std::string percentText = std::to_string(percent);
    line_.append(3 - std::min<std::size_t>(3, percentText.size()), ' ');
    line_ += percentText;
    line_ += '%';
    for (const std::string* text : {&elapsed_, &remaining_}) {
        if (!text->empty()) {
            line_ += "  ";
            line_ += *text;
        }
    }
    // Blank out what a longer earlier line left behind.
    const std::size_t width = line_.size() - 1;
    if (width < drawnWidth_) {
        line_.append(drawnWidth_ - width, ' ');
    }
    drawnWidth_ = width;
    terminal_ << line_ << std::flush;
}

}  // namespace tesselar
