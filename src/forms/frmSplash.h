#pragma once

#include <QWidget>
#include <functional>

class QFrame;
class QTimer;

namespace tesselar {

// The window shown while the program starts. It closes itself after 2000 ms, on a key that
// produces a character, or on a click on the empty area of its frame, whichever comes first;
// closing calls `showMainWindow` exactly once and deletes the window.
class FrmSplash : public QWidget {
    Q_OBJECT
public:
    explicit FrmSplash(std::function<void()> showMainWindow);
    ~FrmSplash() override;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Timer1_Timer();
    void Form_KeyPress();
    void Frame1_Click();

    // Hides and deletes the window, stops its timer and shows the main window; only the
    // first call does anything.
    void UnloadAndShowMainWindow();
    bool IsOnEmptyPartOfFrame1(QPoint position) const;
    void AddControls();

    std::function<void()> showMainWindow_;
    QFrame* frame1_;
    QTimer* timer1_;
    bool frame1Pressed_ = false;
    bool unloaded_ = false;
};

}  // namespace tesselar
