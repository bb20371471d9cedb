#include "forms/MoveProgressBarIntoPanel.h"

#include "controls/statusbar/TwipScale.h"

namespace tesselar {

void MoveProgressBarIntoPanel(ProgressBar& pb, StatusBar& sb, std::int16_t pnlIndex) {
    const QWidget& window = *pb.parentWidget();
    const TwipScale scale = TwipScale::Of(window);
    // The status bar's own top edge stays visible above the bar: 2 pixels, whatever the dpi.
    const float border = scale.TwipsY(2);

    StatusBarPanel& panel = sb.Panels(pnlIndex);
    panel.SetBevel(StatusBarPanel::Bevel::None);

    const float statusBarTop = scale.TwipsY(window.height()) - sb.Height();
    pb.Move(panel.Left(), statusBarTop + border, panel.Width(), sb.Height() - border);
    pb.setVisible(true);
    pb.raise();
}

}  // namespace tesselar
