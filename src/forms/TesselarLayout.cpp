// The main window's controls: names, captions, tooltips, positions and sizes in twips, tab
// order and fonts.

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <utility>
#include <vector>

#include "controls/statusbar/ProgressBar.h"
#include "controls/statusbar/StatusBar.h"
#include "controls/statusbar/TwipScale.h"
#include "conversion/Version.h"
#include "forms/ClassicFrameStyle.h"
#include "forms/DesignFonts.h"
#include "forms/Tesselar.h"
#include "forms/WrappingButton.h"

namespace tesselar {

namespace {

constexpr int kClientWidth = 10770;
constexpr int kClientHeight = 6495;
constexpr double kCreateButtonPoints = 12.0;

// The window's font, regular or bold.
QFont FormFont(bool bold) {
    QFont font = DefaultFormFont();
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    return font;
}

struct Twips {
    int left;
    int top;
    int width;
    int height;
};

// Creates the controls in a container and records each one's tab index, so that focus can
// follow the indices once all controls exist.
class ControlFactory {
public:
    // Frames and option buttons take `classicStyle`.
    explicit ControlFactory(QStyle* classicStyle) : classicStyle_(classicStyle) {}

    template <class Control>
    Control* Place(QWidget* container, const char* name, Twips at, int tabIndex) {
        auto* control = new Control(container);
        control->setObjectName(QString::fromLatin1(name));
        control->setGeometry(TwipScale::Of(*container).Rect(at.left, at.top, at.width, at.height));
        tabIndices_.emplace_back(tabIndex, control);
        return control;
    }

    QGroupBox* Frame(QWidget* container, const char* name, const char* caption, Twips at,
                     int tabIndex) {
        auto* frame = Place<QGroupBox>(container, name, at, tabIndex);
        frame->setStyle(classicStyle_);
        frame->setTitle(QString::fromUtf8(caption));
        return frame;
    }

    QLabel* Label(QWidget* container, const char* name, const char* caption, Twips at,
                  int tabIndex) {
        auto* label = Place<QLabel>(container, name, at, tabIndex);
        label->setText(QString::fromUtf8(caption));
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setWordWrap(true);
        return label;
    }

    QLineEdit* TextBox(QWidget* container, const char* name, const char* tooltip, Twips at,
                       int tabIndex) {
        auto* box = Place<QLineEdit>(container, name, at, tabIndex);
        box->setToolTip(QString::fromUtf8(tooltip));
        return box;
    }

    template <class Button = QPushButton>
    Button* PushButton(QWidget* container, const char* name, const char* caption,
                       const char* tooltip, Twips at, int tabIndex) {
        auto* button = Place<Button>(container, name, at, tabIndex);
        button->setText(QString::fromUtf8(caption));
        button->setToolTip(QString::fromUtf8(tooltip));
        // Enter and Esc press no button of this window.
        button->setAutoDefault(false);
        button->setDefault(false);
        return button;
    }

    QRadioButton* OptionButton(QWidget* container, const char* name, const char* caption, Twips at,
                               int tabIndex) {
        auto* option = Place<QRadioButton>(container, name, at, tabIndex);
        option->setStyle(classicStyle_);
        option->setText(QString::fromUtf8(caption));
        return option;
    }

    void ChainTabOrder() {
        std::stable_sort(tabIndices_.begin(), tabIndices_.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        QWidget* previous = nullptr;
        for (const auto& [tabIndex, control] : tabIndices_) {
            if ((control->focusPolicy() & Qt::TabFocus) == 0) {
                continue;
            }
            if (previous != nullptr) {
                QWidget::setTabOrder(previous, control);
            }
            previous = control;
        }
    }

private:
    QStyle* classicStyle_;
    std::vector<std::pair<int, QWidget*>> tabIndices_;
};

}  // namespace

void Tesselar::CreateControls() {
    setObjectName(QStringLiteral("Tesselar"));
    setWindowTitle(QString::fromUtf8(kApplicationTitle) + QStringLiteral(" v") +
                   QString::fromLatin1(kVersionShortText));
    const TwipScale scale = TwipScale::Of(*this);
    resize(scale.PixelsX(kClientWidth), scale.PixelsY(kClientHeight));
    const QFont font = FormFont(false);
    setFont(font);

    auto* classicStyle = new ClassicFrameStyle();
    classicStyle->setParent(this);
    ControlFactory make(classicStyle);
    Command1 = make.PushButton(this, "Command1", "Create Shape File", "Create Shape File",
                               {4080, 5400, 2535, 615}, 0);
    QFont createFont = FormFont(true);
    createFont.setPointSizeF(kCreateButtonPoints);
    Command1->setFont(createFont);
    StatusBar2 = new StatusBar(this, {4000, 2500, 2000, 2000});
    StatusBar2->setObjectName(QStringLiteral("StatusBar2"));
    StatusBar2->setGeometry(scale.Rect(0, 6210, kClientWidth, 285));

    // The frame's bold font shows nowhere, as it has no caption; its controls keep the
    // regular one.
    IndexCreation_frame = make.Frame(this, "IndexCreation_frame", "", {120, 120, 10575, 6015}, 2);
    IndexCreation_frame->setFont(FormFont(true));
    QWidget* const frame = IndexCreation_frame;

    Frame2 = make.Frame(frame, "Frame2", "Axys", {120, 480, 8055, 1335}, 26);
    make.Label(Frame2, "Label4", "X Axys File", {120, 360, 855, 255}, 31);
    XAxysFile_TB = make.TextBox(Frame2, "XAxysFile_TB", "Insert name and path of X axys file",
                                {1080, 360, 5535, 285}, 28);
    XAxysBrowser = make.PushButton(Frame2, "XAxysBrowser", "Browse", "Browse X axys file",
                                   {6840, 360, 975, 375}, 29);
    make.Label(Frame2, "Label5", "Y Axys File", {120, 840, 975, 255}, 32);
    YAxysFile_TB = make.TextBox(Frame2, "YAxysFile_TB", "Insert name and path of Y axys file",
                                {1080, 840, 5535, 285}, 27);
    YAxysBrowser = make.PushButton(Frame2, "YAxysBrowser", "Browse", "Browse Y axys file",
                                   {6840, 840, 975, 375}, 30);

    Frame1 = make.Frame(frame, "Frame1", "Type of Shape File", {8280, 720, 2055, 1095}, 16);
    Point_OB =
        make.OptionButton(Frame1, "Point_OB", "Point (Particles)", {480, 240, 1455, 255}, 18);
    Polygon_OB = make.OptionButton(Frame1, "Polygon_OB", "Polygon", {480, 600, 1455, 255}, 17);
    Polygon_OB->setChecked(true);

    About = make.PushButton(frame, "About", "About", "About Nerasco Tesselar",
                            {9360, 240, 1095, 375}, 19);

    Attributes_frame =
        make.Frame(frame, "Attributes_frame", "Attributes", {120, 1920, 10215, 2055}, 5);
    make.Label(Attributes_frame, "Label10", "Name", {240, 360, 855, 255}, 8);
    AttribName_TB = make.TextBox(Attributes_frame, "AttribName_TB", "Insert attribute name",
                                 {1080, 360, 1455, 285}, 11);
    make.Label(Attributes_frame, "Label11", "File", {240, 720, 855, 255}, 9);
    AttribFile_TB = make.TextBox(Attributes_frame, "AttribFile_TB", "Select path of attribute file",
                                 {1080, 720, 5535, 285}, 6);
    AttributeBrowser = make.PushButton(Attributes_frame, "AttributeBrowser", "Browse",
                                       "Browse attribute file", {6720, 720, 975, 375}, 7);
    AddAttribute = make.PushButton(Attributes_frame, "AddAttribute", "Add", "Add attribute",
                                   {7920, 720, 1215, 375}, 10);
    ChangeAttribute = make.PushButton(Attributes_frame, "ChangeAttribute", "Change",
                                      "Change attribute", {9240, 720, 735, 375}, 13);
    make.Label(Attributes_frame, "Label9", "Attributes Added", {240, 1080, 735, 375}, 14);
    AttribName_LB =
        make.Place<QListWidget>(Attributes_frame, "AttribName_LB", {1080, 1080, 1455, 840}, 15);
    AttribName_LB->setToolTip(QStringLiteral("Attributes already added"));
    AttribName_LB->setSelectionMode(QAbstractItemView::SingleSelection);
    SelectAttribute =
        make.PushButton<WrappingButton>(Attributes_frame, "SelectAttribute", "Select to Change",
                                        "Select attribute to change", {2640, 1200, 1095, 495}, 12);

    make.Label(frame, "Label7", "Folder for Shape File", {120, 4320, 1215, 375}, 22);
    ShapeFolder_TB = make.TextBox(frame, "ShapeFolder_TB", "Select a destiny folder for shape file",
                                  {1560, 4320, 5535, 285}, 21);
    ShapeBrowser1 =
        make.PushButton(frame, "ShapeBrowser1", "Browse", "Browse for a directory for shape file",
                        {7200, 4320, 975, 375}, 20);
    make.Label(frame, "Label1", "Shape File Name", {120, 4920, 1335, 255}, 25);
    ShapeFileName_TB = make.TextBox(frame, "ShapeFileName_TB", "Select shape file name",
                                    {1440, 4920, 2175, 285}, 23);
    make.Label(frame, "Label8", ".shp", {3600, 4920, 615, 255}, 24);

    for (QObject* child : IndexCreation_frame->children()) {
        if (auto* control = qobject_cast<QWidget*>(child)) {
            control->setFont(font);
        }
    }

    // Out of sight below the client area until start-up lays it over the status bar.
    ProgressBar1 = make.Place<ProgressBar>(this, "ProgressBar1", {9360, 8280, 1335, 375}, 1);

    // Command1 lies over the frame's rectangle but belongs to the window, drawn above it.
    Command1->raise();
    make.ChainTabOrder();
    Command1->setFocus();
}

}  // namespace tesselar
