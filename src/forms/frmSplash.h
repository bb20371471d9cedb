#pragma once

#include <QWidget>
#include <functional>

namespace tesselar {

// The window shown while the program starts. It closes itself after 2000 ms, on a key that
// produces a character, or on a click on the empty area of its frame, whichever comes first;
// closing calls `showMainWindow` exactly once and deletes the window.
class FrmSplash : public QWidget {
    Q_OBJECT
public:
    explicit FrmSplash(std::function<void()> showMainWindow);
    ~FrmSplash() override;
};

}  // namespace tesselar
