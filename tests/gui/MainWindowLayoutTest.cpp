// What the layout promises beyond its coordinates: every text shows whole, the progress bar
// covers panel 2 of the status bar, and resizing or keys move nothing.
#include <gtest/gtest.h>

#include <QApplication>

#include "controls/statusbar/ProgressBar.h"
#include "gui/MainWindowFixture.h"

namespace tesselar::test {
namespace {

using MainWindowLayoutTest = MainWindowTest;

TEST_F(MainWindowLayoutTest, TextsFitAndTheProgressBarCoversPanelTwo) {
    EXPECT_EQ(window_->windowTitle(), QStringLiteral("Nerasco Tesselar v1.1"));
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
