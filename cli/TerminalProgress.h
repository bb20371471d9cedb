#pragma once

#include <chrono>
#include <cstddef>
#include <ostream>
#include <string>

#include "conversion/Clock.h"
#include "writer/ProgressDisplay.h"

namespace tesselar {

// The conversion's progress on one terminal line: in a run of several steps the step, a bar with
// its percentage, the time elapsed and the time remaining. The line is redrawn (after a carriage
// return) only when the percentage or one of the times shown changes. In a run of several steps
// the times are the whole run's, measured on `clock` from the first step's start: the time
// remaining supposes that the steps left take as long as those done.
class TerminalProgress final : public ProgressDisplay {
public:
    TerminalProgress(std::ostream& terminal, const Clock& clock);

    void SetMax(float max) override;
    void SetMin(float min) override;
    void SetValue(float value) override;
    void SetPanelText(int panel, const std::string& text) override;
    // Shows "step 3/10" before the bar, which starts again for the step.
    void SetStep(int step, int count) override;

    // Ends the line once something was drawn; `completed` first fills the bar, whose value
    // stops at the last whole ten of shapes.
    void Finish(bool completed);

private:
    double Share() const;
    int Percent() const;
    // The run's time for a panel whose text the writer gave for its step.
    std::string RunTime(int panel, const std::string& stepText) const;
    void Draw(int percent);

    std::ostream& terminal_;
    const Clock& clock_;
    int step_ = 0;
    int stepCount_ = 0;
    std::chrono::steady_clock::time_point runStart_;
    float max_ = 0.0f;
    float min_ = 0.0f;
    float value_ = 0.0f;
    int shownPercent_ = -1;
    std::string stepText_;
    std::string elapsed_;
    std::string remaining_;
    std::string line_;
    std::size_t drawnWidth_ = 0;
};

// Shows nothing: for a stderr that is not a terminal, and for --quiet.
class NoProgress final : public ProgressDisplay {
public:
    void SetMax(float) override {}
    void SetMin(float) override {}
    void SetValue(float) override {}
    void SetPanelText(int, const std::string&) override {}
    bool Shows() const override { return false; }
};

}  // namespace tesselar
