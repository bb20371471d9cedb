// What the layout promises beyond its coordinates: every text shows whole, the progress bar
// covers panel 2 of the status bar, which stays docked on resizing, and keys press nothing.
#include <gtest/gtest.h>

#include <QApplication>
#include <utility>
#include <vector>

#include "controls/statusbar/ProgressBar.h"
#include "conversion/Version.h"
#include "gui/MainWindowFixture.h"

namespace tesselar::test {
namespace {

using MainWindowLayoutTest = MainWindowTest;

TEST_F(MainWindowLayoutTest, ControlsShowTheirCaptionsAndTooltipsAndTabInTheirOrder) {
    EXPECT_EQ(window_->windowTitle(),
              QStringLiteral("Nerasco Tesselar v%1.%2").arg(kVersionMajor).arg(kVersionMinor));
    ExpectLabelTextsFit(*window_);
    // "Name|caption|tooltip" of every control that shows a text: the window's own words.
    const QStringList rows =
        QStringLiteral(
            "Command1|Create Shape File|Create Shape File;Frame2|Axys|;Label4|X Axys File|;"
            "XAxysFile_TB||Insert name and path of X axys file;XAxysBrowser|Browse|Browse X axys "
            "file;Label5|Y Axys File|;YAxysFile_TB||Insert name and path of Y axys file;"
            "YAxysBrowser|Browse|Browse Y axys file;Frame1|Type of Shape File|;Point_OB|Point "
            "(Particles)|;Polygon_OB|Polygon|;About|About|About Nerasco Tesselar;"
            "Attributes_frame|Attributes|;Label10|Name|;AttribName_TB||Insert attribute name;"
            "Label11|File|;AttribFile_TB||Select path of attribute file;"
            "AttributeBrowser|Browse|Browse attribute file;AddAttribute|Add|Add attribute;"
            "ChangeAttribute|Change|Change attribute;Label9|Attributes Added|;"
            "AttribName_LB||Attributes already added;SelectAttribute|Select to Change|Select "
            "attribute to change;Label7|Folder for Shape File|;ShapeFolder_TB||Select a destiny "
            "folder for shape file;ShapeBrowser1|Browse|Browse for a directory for shape file;"
            "Label1|Shape File Name|;ShapeFileName_TB||Select shape file name;Label8|.shp|")
            .split(';');
    for (const QString& row : rows) {
        const QStringList parts = row.split('|');
        const auto& control = Find<QWidget>(parts[0].toLatin1().constData());
        const QVariant title = control.property("title");
        EXPECT_EQ((title.isValid() ? title : control.property("text")).toString(), parts[1]);
        EXPECT_EQ(control.toolTip(), parts[2]);
    }
    // Tab visits the controls in this order.
    QStringList visited;
    for (QWidget* control = &Find<QPushButton>("Command1"); visited.size() < 18;
         control = control->nextInFocusChain()) {
        if ((control->focusPolicy() & Qt::TabFocus) != 0 && control != window_.get()) {
            visited << control->objectName();
        }
    }
    EXPECT_EQ(
        visited.join(' '),
        "Command1 AttribFile_TB AttributeBrowser AddAttribute AttribName_TB SelectAttribute "
        "ChangeAttribute AttribName_LB Polygon_OB Point_OB About ShapeBrowser1 ShapeFolder_TB "
        "ShapeFileName_TB YAxysFile_TB XAxysFile_TB XAxysBrowser YAxysBrowser");
}

// The status bar stays along the bottom edge, across the whole width, with the progress bar
// over its panel 2 (from 2 pixels below its top edge to the client area's bottom, drawn above
// it); every other control keeps its place.
TEST_F(MainWindowLayoutTest, StatusBarStaysDockedWhenTheWindowIsResized) {
    auto& statusBar = Find<StatusBar>("StatusBar2");
    const auto& bar = Find<ProgressBar>("ProgressBar1");
    const int statusBarHeight = statusBar.height();
    std::vector<std::pair<QWidget*, QRect>> fixed;
    for (QWidget* control : window_->findChildren<QWidget*>()) {
        if (control != &statusBar && control != &bar) {
            fixed.emplace_back(control, control->geometry());
        }
    }
    const QSize design = window_->size();
    const QSize sizes[] = {design + QSize(200, 150), design + QSize(0, 300), design};
    for (const QSize& size : sizes) {
        SCOPED_TRACE(testing::Message() << size.width() << " x " << size.height());
        window_->resize(size);
        QApplication::processEvents();
        ASSERT_EQ(window_->size(), size);
        EXPECT_EQ(statusBar.geometry(),
                  QRect(0, size.height() - statusBarHeight, size.width(), statusBarHeight));
        const QWidget& panel2 = statusBar.Panels(2);
        EXPECT_TRUE(bar.isVisible());
        EXPECT_EQ(bar.geometry(), QRect(statusBar.mapTo(window_.get(), panel2.pos()).x(),
                                        statusBar.y() + 2, panel2.width(), statusBarHeight - 2));
        EXPECT_GT(window_->children().indexOf(&bar), window_->children().indexOf(&statusBar));
        for (const auto& [control, place] : fixed) {
            EXPECT_EQ(control->geometry(), place) << control->objectName().toStdString();
        }
    }
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

}  // namespace
}  // namespace tesselar::test
