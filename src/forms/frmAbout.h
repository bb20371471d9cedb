#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace tesselar {

// "About Nerasco Tesselar": title, version, description and the project's credits. Modeless;
// OK, Enter, Esc and the close button close and delete it.
class FrmAbout : public QDialog {
    Q_OBJECT
public:
    FrmAbout();
    ~FrmAbout() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void AddControls();
    void Form_Load();
    void cmdOK_Click();

    QLabel* lblTitle_ = nullptr;
    QLabel* lblVersion_ = nullptr;
    QPushButton* cmdOK_ = nullptr;
};

}  // namespace tesselar
