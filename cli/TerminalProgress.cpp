#include "cli/TerminalProgress.h"

#include <algorithm>
#include <cmath>

#include "writer/TimeText.h"

namespace tesselar {

namespace {

constexpr int kBarWidth = 30;

}  // namespace

TerminalProgress::TerminalProgress(std::ostream& terminal, const Clock& clock)
    : terminal_(terminal), clock_(clock) {}

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
    if (shown == nullptr) {
        return;
    }
    const std::string wanted = stepCount_ > 1 ? RunTime(panel, text) : text;
    if (*shown != wanted) {
        *shown = wanted;
        Draw(Percent());
    }
}

std::string TerminalProgress::RunTime(int panel, const std::string& stepText) const {
    const std::size_t colon = stepText.find(": ");
    const std::string label = colon == std::string::npos ? "" : stepText.substr(0, colon + 2);
    const double elapsed = std::chrono::duration<double>(clock_.Now() - runStart_).count();
    if (panel == kElapsedPanel) {
        return label + TimeText(WholeSeconds(elapsed));
    }
    const double done = (step_ - 1 + Share()) / stepCount_;
    if (!(done > 0.0)) {
        return std::string();
    }
    return label + TimeText(WholeSeconds(elapsed * (1.0 - done) / done));
}

void TerminalProgress::SetStep(int step, int count) {
    if (stepCount_ == 0) {
        runStart_ = clock_.Now();
    }
    step_ = step;
    stepCount_ = count;
    stepText_ = "step " + std::to_string(step) + "/" + std::to_string(count) + " ";
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

double TerminalProgress::Share() const {
    if (!(max_ > min_)) {
        return 1.0;  // a grid without cells is complete at once
    }
    const double share = (static_cast<double>(value_) - min_) / (static_cast<double>(max_) - min_);
    return std::clamp(share, 0.0, 1.0);
}

int TerminalProgress::Percent() const {
    return static_cast<int>(std::floor(Share() * 100.0));
}

void TerminalProgress::Draw(int percent) {
    shownPercent_ = percent;
    const int filled = percent * kBarWidth / 100;
    line_ = "\r" + stepText_ + "[";
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
