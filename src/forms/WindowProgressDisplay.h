#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "controls/statusbar/ProgressBar.h"
#include "controls/statusbar/StatusBar.h"
#include "conversion/Clock.h"
#include "writer/ProgressDisplay.h"

namespace tesselar {

// Shows a conversion's progress on the main window's progress bar and status bar panels. The
// writer reports after every shape and the event loop does not run meanwhile, so what changes
// on screen is painted at once; what does not change reaches no widget.
//
// A panel is painted at most once per kPanelRepaintInterval: the estimate of the time
// remaining can flip between two neighbouring seconds from one shape to the next, and
// painting every flip would cost more than the conversion. A text held back is shown at the
// next report after the interval, and at the latest when the display is destroyed; so is the
// bar's last value, when it moved the fill by less than a pixel.
class WindowProgressDisplay final : public ProgressDisplay {
public:
    static constexpr std::chrono::milliseconds kPanelRepaintInterval{100};

    WindowProgressDisplay(ProgressBar& bar, StatusBar& statusBar, const Clock& clock);
    ~WindowProgressDisplay() override;
    WindowProgressDisplay(const WindowProgressDisplay&) = delete;
    WindowProgressDisplay& operator=(const WindowProgressDisplay&) = delete;

    void SetMax(float max) override { bar_.SetMax(max); }
    void SetMin(float min) override { bar_.SetMin(min); }
    void SetValue(float value) override { bar_.SetValue(value); }
    void SetPanelText(int panel, const std::string& text) override;

private:
    struct Panel {
        StatusBarPanel* widget = nullptr;
        std::string text;      // the last text given
        bool pending = false;  // given but not shown yet
        std::optional<std::chrono::steady_clock::time_point> shownAt;
    };

    void Show(Panel& panel, std::chrono::steady_clock::time_point now);

    ProgressBar& bar_;
    StatusBar& statusBar_;
    const Clock& clock_;
    std::vector<Panel> panels_;  // by panel number
};

}  // namespace tesselar
