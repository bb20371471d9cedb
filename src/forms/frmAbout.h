#pragma once

#include <QDialog>

namespace tesselar {

// "About Nerasco Tesselar": title, version, description and the project's credits. Modeless;
// OK, Enter, Esc and the close button close and delete it.
class FrmAbout : public QDialog {
    Q_OBJECT
public:
    FrmAbout();
    ~FrmAbout() override;
};

}  // namespace tesselar
