#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <utility>
#include <vector>

#include "controls/statusbar/ProgressBar.h"
#include "controls/statusbar/TwipScale.h"
#include "conversion/ConversionError.h"
#include "conversion/Version.h"
#include "gui/MainWindowFixture.h"

namespace tesselar::test {
namespace {

struct Design {
    const char* name;
    const char* container;
    const char* caption;
    const char* tooltip;
    int left;
    int top;
    int width;
    int height;
};

// The window's design, as its users know it.
const Design kDesign[] = {
    {"Command1", "Tesselar", "Create Shape File", "Create Shape File", 4080, 5400, 2535, 615},
    {"StatusBar2", "Tesselar", "", "", 0, 6210, 10770, 285},
    {"IndexCreation_frame", "Tesselar", "", "", 120, 120, 10575, 6015},
    {"Frame2", "IndexCreation_frame", "Axys", "", 120, 480, 8055, 1335},
    {"Label4", "Frame2", "X Axys File", "", 120, 360, 855, 255},
    {"XAxysFile_TB", "Frame2", "", "Insert name and path of X axys file", 1080, 360, 5535, 285},
    {"XAxysBrowser", "Frame2", "Browse", "Browse X axys file", 6840, 360, 975, 375},
    {"Label5", "Frame2", "Y Axys File", "", 120, 840, 975, 255},
    {"YAxysFile_TB", "Frame2", "", "Insert name and path of Y axys file", 1080, 840, 5535, 285},
    {"YAxysBrowser", "Frame2", "Browse", "Browse Y axys file", 6840, 840, 975, 375},
    {"Frame1", "IndexCreation_frame", "Type of Shape File", "", 8280, 720, 2055, 1095},
    {"Point_OB", "Frame1", "Point (Particles)", "", 480, 240, 1455, 255},
    {"Polygon_OB", "Frame1", "Polygon", "", 480, 600, 1455, 255},
    {"About", "IndexCreation_frame", "About", "About Nerasco Tesselar", 9360, 240, 1095, 375},
    {"Attributes_frame", "IndexCreation_frame", "Attributes", "", 120, 1920, 10215, 2055},
    {"Label10", "Attributes_frame", "Name", "", 240, 360, 855, 255},
    {"AttribName_TB", "Attributes_frame", "", "Insert attribute name", 1080, 360, 1455, 285},
    {"Label11", "Attributes_frame", "File", "", 240, 720, 855, 255},
    {"AttribFile_TB", "Attributes_frame", "", "Select path of attribute file", 1080, 720, 5535,
     285},
    {"AttributeBrowser", "Attributes_frame", "Browse", "Browse attribute file", 6720, 720, 975,
     375},
    {"AddAttribute", "Attributes_frame", "Add", "Add attribute", 7920, 720, 1215, 375},
    {"ChangeAttribute", "Attributes_frame", "Change", "Change attribute", 9240, 720, 735, 375},
    {"Label9", "Attributes_frame", "Attributes Added", "", 240, 1080, 735, 375},
    {"AttribName_LB", "Attributes_frame", "", "Attributes already added", 1080, 1080, 1455, 840},
    {"SelectAttribute", "Attributes_frame", "Select to Change", "Select attribute to change", 2640,
     1200, 1095, 495},
    {"Label7", "IndexCreation_frame", "Folder for Shape File", "", 120, 4320, 1215, 375},
    {"ShapeFolder_TB", "IndexCreation_frame", "", "Select a destiny folder for shape file", 1560,
     4320, 5535, 285},
    {"ShapeBrowser1", "IndexCreation_frame", "Browse", "Browse for a directory for shape file",
     7200, 4320, 975, 375},
    {"Label1", "IndexCreation_frame", "Shape File Name", "", 120, 4920, 1335, 255},
    {"ShapeFileName_TB", "IndexCreation_frame", "", "Select shape file name", 1440, 4920, 2175,
     285},
    {"Label8", "IndexCreation_frame", ".shp", "", 3600, 4920, 615, 255},
};

// The title of a frame, the text of a label, button or text box.
QString Caption(const QWidget& control) {
    const QVariant title = control.property("title");
    return (title.isValid() ? title : control.property("text")).toString();
}

using MainWindowLayoutTest = MainWindowTest;

TEST_F(MainWindowLayoutTest, WindowAndEveryControlHaveTheirNameCaptionTooltipContainerAndPlace) {
    const TwipScale scale = TwipScale::Of(*window_);
    const float pixel = scale.TwipsX(1);
    for (const Design& design : kDesign) {
        SCOPED_TRACE(design.name);
        const auto& control = Find<QWidget>(design.name);
        EXPECT_EQ(control.parentWidget()->objectName(), QString::fromLatin1(design.container));
        EXPECT_EQ(Caption(control), QString::fromUtf8(design.caption));
        EXPECT_EQ(control.toolTip(), QString::fromUtf8(design.tooltip));
        const QRect at = control.geometry();
        EXPECT_NEAR(scale.TwipsX(at.left()), design.left, pixel / 2);
        EXPECT_NEAR(scale.TwipsY(at.top()), design.top, pixel / 2);
        EXPECT_NEAR(scale.TwipsX(at.width()), design.width, pixel);
        EXPECT_NEAR(scale.TwipsY(at.height()), design.height, pixel);
    }

    // The window itself: its caption and client area, and it can be resized.
    EXPECT_EQ(window_->objectName(), QStringLiteral("Tesselar"));
    EXPECT_EQ(window_->windowTitle(),
              QStringLiteral("Nerasco Tesselar v%1.%2").arg(kVersionMajor).arg(kVersionMinor));
    EXPECT_NEAR(scale.TwipsX(window_->width()), 10770, pixel);
    EXPECT_NEAR(scale.TwipsY(window_->height()), 6495, scale.TwipsY(1));
    EXPECT_TRUE(window_->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(window_->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_LT(window_->minimumWidth(), window_->width());
    EXPECT_GT(window_->maximumWidth(), window_->width());
}

// The progress bar covers panel 2 of the status bar, 2 pixels below the status bar's top edge,
// down to the bottom of the client area, and lies above the status bar.
void ExpectProgressBarOverPanelTwo(const QWidget& window) {
    const auto& bar = *window.findChild<ProgressBar*>(QStringLiteral("ProgressBar1"));
    auto& statusBar = *window.findChild<StatusBar*>(QStringLiteral("StatusBar2"));
    StatusBarPanel& panel2 = statusBar.Panels(2);
    const QRect panelArea(statusBar.mapTo(&window, panel2.geometry().topLeft()), panel2.size());
    EXPECT_TRUE(bar.isVisible());
    EXPECT_EQ(bar.parentWidget(), &window);
    EXPECT_EQ(bar.x(), panelArea.x());
    EXPECT_EQ(bar.width(), panelArea.width());
    EXPECT_EQ(bar.y(), statusBar.y() + 2);
    EXPECT_EQ(bar.geometry().bottom(), window.rect().bottom());
    const QObjectList& siblings = window.children();
    EXPECT_GT(siblings.indexOf(&bar), siblings.indexOf(&statusBar));
}

// The status bar stays along the bottom edge, across the whole width, with its panels and the
// progress bar over panel 2; every other control keeps its place.
TEST_F(MainWindowLayoutTest, StatusBarStaysDockedWhenTheWindowIsResized) {
    const auto& statusBar = Find<StatusBar>("StatusBar2");
    const int statusBarHeight = statusBar.height();
    std::vector<std::pair<QWidget*, QRect>> fixed;
    for (QWidget* control : window_->findChildren<QWidget*>()) {
        if (control != &statusBar && control->objectName() != QStringLiteral("ProgressBar1")) {
            fixed.emplace_back(control, control->geometry());
        }
    }
    const QSize design = window_->size();
    const QSize sizes[] = {design + QSize(200, 150), design + QSize(0, 300), design + QSize(400, 0),
                           design};
    for (const QSize& size : sizes) {
        SCOPED_TRACE(testing::Message() << size.width() << " x " << size.height());
        window_->resize(size);
        QApplication::processEvents();
        ASSERT_EQ(window_->size(), size);
        EXPECT_EQ(statusBar.geometry(),
                  QRect(0, size.height() - statusBarHeight, size.width(), statusBarHeight));
        ExpectProgressBarOverPanelTwo(*window_);
        for (const auto& [control, place] : fixed) {
            EXPECT_EQ(control->geometry(), place) << control->objectName().toStdString();
        }
    }
}

// The option buttons and every other control of a captioned frame lie within the frame's
// border, below its caption.
TEST_F(MainWindowLayoutTest, FramedControlsLieInsideTheirFramesBorder) {
    for (const char* frameName : {"Frame1", "Frame2", "Attributes_frame"}) {
        const auto& frame = Find<QGroupBox>(frameName);
        for (const QWidget* control : frame.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            EXPECT_TRUE(frame.contentsRect().contains(control->geometry()))
                << control->objectName().toStdString() << " in " << frameName;
        }
    }
    for (const char* option : {"Point_OB", "Polygon_OB"}) {
        const auto& button = Find<QRadioButton>(option);
        QStyleOptionButton style;
        style.initFrom(&button);
        const QRect textArea =
            button.style()->subElementRect(QStyle::SE_RadioButtonContents, &style, &button);
        EXPECT_LE(button.fontMetrics().horizontalAdvance(button.text()), textArea.width())
            << option;
    }
}

TEST_F(MainWindowLayoutTest, CreateButtonStandsOutAndEveryLabelTextFits) {
    const auto& command1 = Find<QPushButton>("Command1");
    EXPECT_DOUBLE_EQ(command1.font().pointSizeF(), 12.0);
    EXPECT_TRUE(command1.font().bold());
    // The later sibling is drawn above the earlier one.
    const QObjectList& siblings = window_->children();
    EXPECT_GT(siblings.indexOf(&command1),
              siblings.indexOf(&Find<QGroupBox>("IndexCreation_frame")));

    EXPECT_TRUE(Find<QGroupBox>("IndexCreation_frame").font().bold());
    ExpectLabelTextsFit(*window_);
}

TEST_F(MainWindowLayoutTest, TabVisitsTheControlsInTheirDesignedOrder) {
    const QStringList expected =
        QStringLiteral(
            "Command1 AttribFile_TB AttributeBrowser AddAttribute AttribName_TB "
            "SelectAttribute ChangeAttribute AttribName_LB Polygon_OB Point_OB About "
            "ShapeBrowser1 ShapeFolder_TB ShapeFileName_TB YAxysFile_TB XAxysFile_TB "
            "XAxysBrowser YAxysBrowser")
            .split(' ');
    QStringList visited;
    QWidget* const first = &Find<QPushButton>("Command1");
    QWidget* control = first;
    do {
        if ((control->focusPolicy() & Qt::TabFocus) != 0 && control != window_.get()) {
            visited << control->objectName();
        }
        control = control->nextInFocusChain();
    } while (control != first && visited.size() <= expected.size());
    EXPECT_EQ(visited, expected);
}

// Enter and Esc press no button: with every input empty, "Create Shape File" would complain.
TEST_F(MainWindowLayoutTest, EnterAndEscPressNothing) {
    auto& command1 = Find<QPushButton>("Command1");
    command1.setFocus();
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        QTest::keyClick(&command1, key);
        QTest::keyClick(&Find<QLineEdit>("ShapeFileName_TB"), key);
    }
    EXPECT_TRUE(messages_.shown.isEmpty());
    QTest::keyClick(&command1, Qt::Key_Space);
    EXPECT_EQ(messages_.shown.size(), 5);
}

TEST_F(MainWindowLayoutTest, ProgressBarLiesOverPanelTwoOfTheStatusBar) {
    ExpectProgressBarOverPanelTwo(*window_);
    const auto& bar = Find<ProgressBar>("ProgressBar1");
    auto& statusBar = Find<StatusBar>("StatusBar2");
    StatusBarPanel& panel2 = statusBar.Panels(2);

    // In twips, at the window's design size: top 6210 + 2 pixels, height 285 - 2 pixels.
    const TwipScale scale = TwipScale::Of(*window_);
    EXPECT_FLOAT_EQ(scale.TwipsY(bar.y()), 6495 - 285 + scale.TwipsY(2));
    EXPECT_FLOAT_EQ(scale.TwipsY(bar.height()), 285 - scale.TwipsY(2));
    EXPECT_NEAR(scale.TwipsX(bar.x()), 4000, scale.TwipsX(1));
    EXPECT_NEAR(scale.TwipsX(bar.width()), 2500, scale.TwipsX(1));

    // The panels lie side by side, 4000, 2500, 2000 and 2000 twips wide; only panel 2 is flat.
    EXPECT_NEAR(statusBar.Panels(3).Left(), 6500, scale.TwipsX(1) / 2);
    EXPECT_NEAR(statusBar.Panels(4).Left(), 8500, scale.TwipsX(1) / 2);
    EXPECT_NEAR(statusBar.Panels(4).Width(), 2000, scale.TwipsX(1));
    EXPECT_EQ(panel2.frameShape(), QFrame::NoFrame);
    for (const int panel : {1, 3, 4}) {
        EXPECT_EQ(statusBar.Panels(panel).frameShape(), QFrame::Panel) << panel;
        EXPECT_EQ(statusBar.Panels(panel).height(), statusBar.height()) << panel;
    }
    // Panels are counted from 1.
    EXPECT_THROW(statusBar.Panels(0), IndexError);
    EXPECT_THROW(statusBar.Panels(5), IndexError);
}

}  // namespace
}  // namespace tesselar::test
