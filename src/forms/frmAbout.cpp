#include "forms/frmAbout.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "controls/statusbar/TwipScale.h"
#include "conversion/Version.h"
#include "forms/DesignFonts.h"
#include "forms/ProgramPictures.h"

namespace tesselar {

namespace {

// The texts that name the developers.
const char* const kDescription =
    "Tesselar is a simple and easy tool to convert Nerasco output data to shape files";
const char* const kCredit = "Developed by the Tesselar project";
const char* const kWebAddress = "https://tesselar.example";
const char* const kEmailAddress = "info@tesselar.example";
const char* const kLegalNotice = "\u00a9 2026 Tesselar";

enum class TextColour { Default, Black };

QLabel* AddLabel(QWidget* parent, const TwipScale& scale, const char* name, const QString& text,
                 QRect twips, TextColour colour) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(scale.Rect(twips.x(), twips.y(), twips.width(), twips.height()));
    if (colour == TextColour::Black) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, Qt::black);
        label->setPalette(palette);
    }
    return label;
}

// One stroke of the etched separator, from (x1, y) to (x2, y) in twips, `pixels` thick.
void AddLine(QWidget* parent, const TwipScale& scale, const char* name, QColor colour, int x1,
             int x2, int y, int pixels) {
    auto* line = new QFrame(parent);
    line->setObjectName(QString::fromLatin1(name));
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, colour);
    line->setPalette(palette);
    line->setAutoFillBackground(true);
    const int left = scale.PixelsX(x1);
    line->setGeometry(left, scale.PixelsY(y), scale.PixelsX(x2) - left + 1, pixels);
}

QString VersionText() {
    return QStringLiteral("Version %1.%2.%3")
        .arg(kVersionMajor)
        .arg(kVersionMinor)
        .arg(kVersionRevision);
}

}  // namespace

FrmAbout::FrmAbout()
    : QDialog(nullptr, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setWindowIcon(ProgramIcon());
    setFont(DefaultFormFont());

    const TwipScale scale = TwipScale::Of(*this);
    setFixedSize(scale.PixelsX(5730), scale.PixelsY(3555));
    AddControls();
    if (const QScreen* display = screen()) {
        move(display->availableGeometry().center() - rect().center());
    }
    Form_Load();
}

FrmAbout::~FrmAbout() = default;

void FrmAbout::AddControls() {
    const TwipScale scale = TwipScale::Of(*this);

    auto* picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setPixmap(ProgramIcon().pixmap(32, 32));
    picIcon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    picIcon->setGeometry(scale.Rect(240, 240, 540, 540));

    lblTitle_ =
        AddLabel(this, scale, "lblTitle", {}, QRect(1080, 240, 3885, 480), TextColour::Black);
    lblVersion_ =
        AddLabel(this, scale, "lblVersion", {}, QRect(1050, 780, 3885, 225), TextColour::Default);
    QLabel* lblDescription =
        AddLabel(this, scale, "lblDescription", QString::fromLatin1(kDescription),
                 QRect(1050, 1125, 3885, 1170), TextColour::Black);
    lblDescription->setWordWrap(true);

    // The grey stroke above the white one draws an etched groove.
    AddLine(this, scale, "Line1(1)", QColor(128, 128, 128), 90, 5654, 2445, 1);
    AddLine(this, scale, "Line1(0)", Qt::white, 105, 5654, 2460, 2);

    AddLabel(this, scale, "lblDisclaimer", QString::fromLatin1(kCredit),
             QRect(255, 2625, 3870, 225), TextColour::Black);
    cmdOK_ = new QPushButton(QStringLiteral("OK"), this);
    cmdOK_->setObjectName(QStringLiteral("cmdOK"));
    cmdOK_->setGeometry(scale.Rect(4245, 2625, 1260, 345));
    cmdOK_->setDefault(true);
    connect(cmdOK_, &QPushButton::clicked, this, &FrmAbout::cmdOK_Click);
    AddLabel(this, scale, "Label1", QString::fromLatin1(kWebAddress), QRect(240, 2880, 3870, 225),
             TextColour::Black);
    AddLabel(this, scale, "Label2", QString::fromLatin1(kEmailAddress), QRect(240, 3120, 3870, 225),
             TextColour::Black);
    AddLabel(this, scale, "Label3", QString::fromUtf8(kLegalNotice), QRect(4200, 3240, 1455, 225),
             TextColour::Black);

    // The button is the one control that takes the focus, and it has it from the start.
    cmdOK_->setFocus();
}

void FrmAbout::Form_Load() {
    setWindowTitle(QStringLiteral("About ") + QString::fromUtf8(kApplicationTitle));
    lblVersion_->setText(VersionText());
    lblTitle_->setText(QString::fromUtf8(kApplicationTitle));
}

void FrmAbout::cmdOK_Click() {
    close();
}

// OK is also the cancel button: Esc presses it. Enter presses it as the default button.
void FrmAbout::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Cancel)) {
        cmdOK_->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace tesselar
