#include "forms/Tesselar.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QResizeEvent>

#include "controls/statusbar/ProgressBar.h"
#include "controls/statusbar/StatusBar.h"
#include "forms/MoveProgressBarIntoPanel.h"
#include "forms/PathDrops.h"
#include "forms/frmAbout.h"
#include "forms/frmSplash.h"
#include "writer/ProgressDisplay.h"

namespace tesselar {

Tesselar::Tesselar(ConversionJob& job, TesselarServices services)
    : job_(job),
      services_(services),
      folderPicker_(services.folderDialog),
      filePicker_(services.fileDialog) {
    CreateControls();
    ConnectHandlers();
    Form_Load();
}

// Windows still open belong to this one: the splash window when the program ends before it
// closed, and the About window.
Tesselar::~Tesselar() {
    delete splash_;
    delete about_;
}

// Closing the main window ends the program, so the About window closes with it.
void Tesselar::closeEvent(QCloseEvent* event) {
    if (about_) {
        about_->close();
    }
    QWidget::closeEvent(event);
}

// The status bar stays along the bottom edge, across the whole width, with the progress bar
// over its panel 2; the other controls keep their places.
void Tesselar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    StatusBar2->DockAtBottom();
    MoveProgressBarIntoPanel(*ProgressBar1, *StatusBar2, kProgressPanel);
}

void Tesselar::ConnectHandlers() {
    connect(Command1, &QPushButton::clicked, this, &Tesselar::Command1_Click);
    connect(AddAttribute, &QPushButton::clicked, this, &Tesselar::AddAttribute_Click);
    connect(SelectAttribute, &QPushButton::clicked, this, &Tesselar::SelectAttribute_Click);
    connect(ChangeAttribute, &QPushButton::clicked, this, &Tesselar::ChangeAttribute_Click);
    connect(ShapeBrowser1, &QPushButton::clicked, this, &Tesselar::ShapeBrowser1_Click);
    connect(XAxysBrowser, &QPushButton::clicked, this, [this] { BrowseFileInto(XAxysFile_TB); });
    connect(YAxysBrowser, &QPushButton::clicked, this, [this] { BrowseFileInto(YAxysFile_TB); });
    connect(AttributeBrowser, &QPushButton::clicked, this,
            [this] { BrowseFileInto(AttribFile_TB); });
    connect(About, &QPushButton::clicked, this, &Tesselar::About_Click);
    PathDrops::Install(*XAxysFile_TB, PathKind::File);
    PathDrops::Install(*YAxysFile_TB, PathKind::File);
    PathDrops::Install(*AttribFile_TB, PathKind::File);
    PathDrops::Install(*ShapeFolder_TB, PathKind::Folder);
}

// The window stays hidden behind the splash window, which shows it as it closes.
void Tesselar::Form_Load() {
    hide();
    splash_ = new FrmSplash([this] { show(); });
    splash_->show();
    MoveProgressBarIntoPanel(*ProgressBar1, *StatusBar2, kProgressPanel);
}

// A cancelled dialog leaves the box as it was, so that a folder the user typed is not lost.
void Tesselar::ShapeBrowser1_Click() {
    folderPicker_.PickFolder();
    if (!folderPicker_.PickedFolder().isEmpty()) {
        ShapeFolder_TB->setText(folderPicker_.PickedFolder());
    }
}

// A cancelled dialog leaves the box as it was.
void Tesselar::BrowseFileInto(QLineEdit* box) {
    if (filePicker_.PickFile(this, QStringLiteral("dat"))) {
        box->setText(filePicker_.PickedFile());
    }
}

// One About window at a time, without an owner, so the main window stays usable beside it.
// An About window the user minimised comes back in its normal state.
void Tesselar::About_Click() {
    if (!about_) {
        about_ = new FrmAbout();
    }
    about_->showNormal();
    about_->raise();
    about_->activateWindow();
}

void Tesselar::SetStatusText(const QString& text) {
    StatusBar2->Panels(kStatusPanel).SetText(text);
}

// The bar ends full once the shape file is written, whatever the tens of shapes it counted.
// When none was written, the bar and the times are cleared, so that what the failed run showed
// is not taken for a result.
void Tesselar::ShowConversionEnd(bool written) {
    if (written) {
        ProgressBar1->SetValue(ProgressBar1->Max());
        ProgressBar1->ShowCurrentStep();
        return;
    }
    ProgressBar1->SetValue(ProgressBar1->Min());
    ProgressBar1->ShowCurrentStep();
    StatusBar2->Panels(kElapsedPanel).SetText({});
    StatusBar2->Panels(kRemainingPanel).SetText({});
}

}  // namespace tesselar
