// What the layout promises beyond its coordinates: every text shows whole, the progress bar
// covers panel 2 of the status bar, and resizing or keys move nothing.
#include <gtest/gtest.h>

#include <QApplication>

#include "controls/statusbar/ProgressBar.h"
#include "conversion/Version.h"
#include "gui/MainWindowFixture.h"

namespace tesselar::test {
namespace {

using MainWindowLayoutTest = MainWindowTest;

TEST_F(MainWindowLayoutTest, TextsFitAndTheProgressBarCoversPanelTwo) {
    EXPECT_EQ(window_->windowTitle(),
              QStringLiteral("Nerasco Tesselar v%1.%2").arg(kVersionMajor).arg(kVersionMinor));
    ExpectLabelTextsFit(*window_);

    // From 2 pixels below the status bar's top edge down to the client area's bottom, drawn
    // above the status bar.
    const auto& bar = Find<ProgressBar>("ProgressBar1");
    auto& statusBar = Find<StatusBar>("StatusBar2");
    const QWidget& panel2 = statusBar.Panels(2);
    EXPECT_EQ(bar.x(), statusBar.mapTo(window_.get(), panel2.pos()).x());
    EXPECT_EQ(bar.width(), panel2.width());
    EXPECT_EQ(bar.y(), statusBar.y() + 2);
    EXPECT_EQ(bar.geometry().bottom(), window_->rect().bottom());
    EXPECT_GT(window_->children().indexOf(&bar), window_->children().indexOf(&statusBar));
}

TEST_F(MainWindowLayoutTest, ControlsShowTheirCaptionsAndTooltipsAndTabInTheirOrder) {
    // "Name|caption|tooltip" of every control that shows a text: the window's own words.
    const QStringList rows =
        QStringLiteral(
            "Command1|Create Shape File|Create Shape File;Frame2|Axys|;Label4|X Axys File|;"
            "XAxysFile_TB||Insert name and path of X axys file;"
            "XAxysBrowser|Browse|Browse X axys file;Label5|Y Axys File|;"
            "YAxysFile_TB||Insert name and path of Y axys file;"
            "YAxysBrowser|Browse|Browse Y axys file;Frame1|Type of Shape File|;"
            "Point_OB|Point (Particles)|;Polygon_OB|Polygon|;About|About|About Nerasco Tesselar;"
            "Attributes_frame|Attributes|;Label10|Name|;AttribName_TB||Insert attribute name;"
            "Label11|File|;AttribFile_TB||Select path of attribute file;"
            "AttributeBrowser|Browse|Browse attribute file;AddAttribute|Add|Add attribute;"
            "ChangeAttribute|Change|Change attribute;Label9|Attributes Added|;"
            "AttribName_LB||Attributes already added;"
            "SelectAttribute|Select to Change|Select attribute to change;"
            "Label7|Folder for Shape File|;ShapeFolder_TB||Select a destiny folder for shape file;"
            "ShapeBrowser1|Browse|Browse for a directory for shape file;Label1|Shape File Name|;"
            "ShapeFileName_TB||Select shape file name;Label8|.shp|")
            .split(';');
    for (const QString& row : rows) {
        const QStringList parts = row.split('|');
        const auto& control = Find<QWidget>(parts[0].toLatin1().constData());
        const QVariant title = control.property("title");
        EXPECT_EQ((title.isValid() ? title : control.property("text")).toString(), parts[1]);
        EXPECT_EQ(control.toolTip(), parts[2]);
    }
    const QStringList expected =
        QStringLiteral(
            "Command1 AttribFile_TB AttributeBrowser AddAttribute AttribName_TB SelectAttribute "
            "ChangeAttribute AttribName_LB Polygon_OB Point_OB About ShapeBrowser1 ShapeFolder_TB "
            "ShapeFileName_TB YAxysFile_TB XAxysFile_TB XAxysBrowser YAxysBrowser")
            .split(' ');
    QStringList visited;
    QWidget* control = &Find<QPushButton>("Command1");
    do {
        if ((control->focusPolicy() & Qt::TabFocus) != 0 && control != window_.get()) {
            visited << control->objectName();
        }
        control = control->nextInFocusChain();
    } while (control != &Find<QPushButton>("Command1") && visited.size() <= expected.size());
    EXPECT_EQ(visited, expected);
}

TEST_F(MainWindowLayoutTest, NothingMovesWhenTheWindowIsResized) {
    const QList<QWidget*> controls = window_->findChildren<QWidget*>();
    std::vector<QRect> before;
    for (const QWidget* control : controls) {
        before.push_back(control->geometry());
    }
    window_->resize(window_->width() + 200, window_->height() + 150);
    QApplication::processEvents();
    for (qsizetype i = 0; i < controls.size(); ++i) {
        EXPECT_EQ(controls[i]->geometry(), before[static_cast<std::size_t>(i)])
            << controls[i]->objectName().toStdString();
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
