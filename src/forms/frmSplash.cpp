#include "forms/frmSplash.h"

#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <utility>

#include "controls/statusbar/TwipScale.h"
#include "conversion/Version.h"
#include "forms/DesignFonts.h"
#include "forms/ProgramPictures.h"

namespace tesselar {

namespace {

constexpr int kTimer1Interval = 2000;  // ms
const QColor kProductNameColour(64, 64, 64);

// The texts that name the developers.
const char* const kWebAddress = "tesselar.example";
const char* const kLegalNotice = "Copyright";
const char* const kCompanyAndYear = "Tesselar, 2026";

struct LabelLook {
    QFont font;
    bool autoSize = false;
    bool transparent = false;
    bool rightAligned = false;
};

// A label laid out in twips. An auto-size label takes the size of its text; when it is also
// right-aligned it keeps its right edge, so a text shorter than the designed one still ends
// where the design ends.
QLabel* AddLabel(QWidget* parent, const TwipScale& scale, const char* name, const QString& text,
                 QRect twips, const LabelLook& look) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(look.font);
    label->setAlignment((look.rightAligned ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop);
    label->setAutoFillBackground(!look.transparent);
    QRect design = scale.Rect(twips.x(), twips.y(), twips.width(), twips.height());
    if (!look.autoSize) {
        // The stand-in for the design font may be a little wider: the label then widens to
        // show its whole text rather than cut it off.
        const int textWidth = label->fontMetrics().boundingRect(text).width();
        design.setWidth(std::max(design.width(), textWidth));
        label->setGeometry(design);
        return label;
    }
    label->adjustSize();
    const int left = look.rightAligned ? design.right() + 1 - label->width() : design.left();
    label->move(left, design.top());
    return label;
}

QLabel* AddPicture(QWidget* parent, const TwipScale& scale, const char* name,
                   const QPixmap& picture, QRect twips) {
    auto* image = new QLabel(parent);
    image->setObjectName(QString::fromLatin1(name));
    image->setPixmap(picture);
    image->setScaledContents(true);
    image->setGeometry(scale.Rect(twips.x(), twips.y(), twips.width(), twips.height()));
    return image;
}

}  // namespace

FrmSplash::FrmSplash(std::function<void()> showMainWindow)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint),
      showMainWindow_(std::move(showMainWindow)),
      frame1_(new QFrame(this)),
      timer1_(new QTimer(this)) {
    setObjectName(QStringLiteral("frmSplash"));
    // Closing the splash window hands over to the main window; it must not end the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowIcon(ProgramIcon());

    const TwipScale scale = TwipScale::Of(*this);
    setFixedSize(scale.PixelsX(7380), scale.PixelsY(4245));
    AddControls();
    if (const QScreen* display = screen()) {
        move(display->availableGeometry().center() - rect().center());
    }

    timer1_->setObjectName(QStringLiteral("Timer1"));
    timer1_->setSingleShot(true);
    timer1_->setInterval(kTimer1Interval);
    connect(timer1_, &QTimer::timeout, this, &FrmSplash::Timer1_Timer);
    timer1_->start();
}

FrmSplash::~FrmSplash() = default;

void FrmSplash::AddControls() {
    const TwipScale scale = TwipScale::Of(*this);
    frame1_->setObjectName(QStringLiteral("Frame1"));
    frame1_->setFrameStyle(QFrame::Box | QFrame::Sunken);
    frame1_->setGeometry(scale.Rect(120, 0, 7080, 4050));
    frame1_->installEventFilter(this);

    // Later siblings are drawn above earlier ones: the pictures come first so that the
    // transparent labels lie over them.
    AddPicture(frame1_, scale, "imgLogo", LogoPicture(), QRect(120, 240, 1815, 1065));
    AddPicture(frame1_, scale, "Image1", ProgramIcon().pixmap(32, 32),
               QRect(3720, 1440, 1215, 1185));

    const QFont defaultFont = DefaultFormFont();
    const QFont legalFont = ArialFont(8.25, false);
    AddLabel(frame1_, scale, "Label1", QString::fromLatin1(kWebAddress),
             QRect(480, 1320, 1215, 255), {.font = defaultFont});
    AddLabel(frame1_, scale, "lblCompanyProduct", QStringLiteral("Nerasco"),
             QRect(3840, 1080, 1095, 435),
             {.font = ArialFont(18, true), .autoSize = true, .transparent = true});
    QLabel* productName = AddLabel(
        frame1_, scale, "lblProductName", QStringLiteral("Tesselar"), QRect(2640, 1680, 3300, 765),
        {.font = ArialFont(32.25, true), .autoSize = true, .transparent = true});
    QPalette productPalette = productName->palette();
    productPalette.setColor(QPalette::WindowText, kProductNameColour);
    productName->setPalette(productPalette);
    AddLabel(frame1_, scale, "lblPlatform", QStringLiteral("for Linux"),
             QRect(3480, 2520, 1890, 360),
             {.font = ArialFont(15.75, true),
              .autoSize = true,
              .transparent = true,
              .rightAligned = true});
    AddLabel(frame1_, scale, "lblVersion", QString::fromLatin1(kVersionShortText),
             QRect(4515, 2880, 330, 285),
             {.font = ArialFont(12, true), .autoSize = true, .rightAligned = true});
    AddLabel(frame1_, scale, "lblCopyright", QString::fromLatin1(kLegalNotice),
             QRect(5640, 3540, 855, 255), {.font = legalFont});
    AddLabel(frame1_, scale, "lblCompany", QString::fromLatin1(kCompanyAndYear),
             QRect(5640, 3750, 1335, 255), {.font = legalFont});
}

void FrmSplash::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Key presses close the window, so it takes the keyboard as soon as it shows.
    activateWindow();
}

void FrmSplash::Timer1_Timer() {
    UnloadAndShowMainWindow();
}

void FrmSplash::Form_KeyPress() {
    UnloadAndShowMainWindow();
}

void FrmSplash::Frame1_Click() {
    UnloadAndShowMainWindow();
}

void FrmSplash::UnloadAndShowMainWindow() {
    if (unloaded_) {
        return;
    }
    unloaded_ = true;
    timer1_->stop();
    hide();
    deleteLater();
    showMainWindow_();
}

// No child takes the focus, so every key press that a child leaves alone arrives here: the
// window sees the keys whatever has the focus.
void FrmSplash::keyPressEvent(QKeyEvent* event) {
    if (event->text().isEmpty()) {
        QWidget::keyPressEvent(event);
        return;
    }
    Form_KeyPress();
}

// Closed by the window manager (Alt+F4): the main window must still appear, or the program
// would go on running with no window at all.
void FrmSplash::closeEvent(QCloseEvent* event) {
    event->accept();
    UnloadAndShowMainWindow();
}

bool FrmSplash::IsOnEmptyPartOfFrame1(QPoint position) const {
    return frame1_->rect().contains(position) && frame1_->childAt(position) == nullptr;
}

// A click is a left-button press and release on the empty part of Frame1. Presses and
// releases on the labels and pictures reach Frame1 too, as the children pass them on, so
// the point decides where the click was.
bool FrmSplash::eventFilter(QObject* watched, QEvent* event) {
    if (watched != frame1_ || (event->type() != QEvent::MouseButtonPress &&
                               event->type() != QEvent::MouseButtonRelease)) {
        return QWidget::eventFilter(watched, event);
    }
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const bool onEmptyPart =
        mouse->button() == Qt::LeftButton && IsOnEmptyPartOfFrame1(mouse->position().toPoint());
    if (event->type() == QEvent::MouseButtonPress) {
        frame1Pressed_ = onEmptyPart;
        return false;
    }
    const bool clicked = frame1Pressed_ && onEmptyPart;
    frame1Pressed_ = false;
    if (clicked) {
        Frame1_Click();
    }
    return clicked;
}

}  // namespace tesselar
