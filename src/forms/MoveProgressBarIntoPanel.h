#pragma once

#include <cstdint>

#include "controls/statusbar/ProgressBar.h"
#include "controls/statusbar/StatusBar.h"

namespace tesselar {

// Lays `pb` over panel `pnlIndex` of `sb`, both children of the same window, with `sb` along
// the window's bottom edge: the bar takes the panel's left edge and width, runs down to the
// bottom of the window's client area and starts 2 pixels below the status bar's top edge; the
// panel loses its bevel and the bar is shown above the status bar. Throws IndexError for
// a panel the bar lacks.
void MoveProgressBarIntoPanel(ProgressBar& pb, StatusBar& sb, std::int16_t pnlIndex);

}  // namespace tesselar
