#pragma once

#include <string>

namespace tesselar {

// The display's text panels.
inline constexpr int kStatusPanel = 1;
inline constexpr int kProgressPanel = 2;  // the window lays its progress bar over it
inline constexpr int kElapsedPanel = 3;
inline constexpr int kRemainingPanel = 4;

// Where a conversion shows its progress: a bar with a maximum, minimum and value, and four
// text panels numbered from 1 (1 status, 2 under the bar, 3 time elapsed, 4 time remaining).
// The window and the command line each implement it.
class ProgressDisplay {
public:
    virtual ~ProgressDisplay() = default;
    virtual void SetMax(float max) = 0;
    virtual void SetMin(float min) = 0;
    virtual void SetValue(float value) = 0;
    virtual void SetPanelText(int panel, const std::string& text) = 0;
    // False for a display that shows nothing, so that the writer can skip measuring time for
    // it.
    virtual bool Shows() const { return true; }
    // A run of several steps is at step `step` of `count`; the bar shows that step's progress.
    virtual void SetStep(int /*step*/, int /*count*/) {}
};

}  // namespace tesselar
