#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QWindow>

#include "forms/QtDesktopServices.h"
#include "forms/frmAbout.h"
#include "forms/frmSplash.h"
#include "gui/MainWindowFixture.h"

namespace tesselar::test {
namespace {

template <class Window>
QList<Window*> OpenWindows() {
    QList<Window*> open;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && qobject_cast<Window*>(window)) {
            open << static_cast<Window*>(window);
        }
    }
    return open;
}

// The program's start: the main window stays hidden behind the splash window until the splash
// window hands over. About then opens one window at a time, without an owner.
class StartupTest : public MainWindowTest {
protected:
    void SetUp() override { CreateWindow(); }
};

TEST_F(StartupTest, SplashHandsOverToTheMainWindowWhoseAboutWindowIsUnowned) {
    EXPECT_FALSE(window_->isVisible());
    const QList<FrmSplash*> splashes = OpenWindows<FrmSplash>();
    ASSERT_EQ(splashes.size(), 1);

    QTest::keyClick(splashes[0], Qt::Key_Escape);
    EXPECT_TRUE(window_->isVisible());
    EXPECT_EQ(window_->focusWidget(), &Find<QPushButton>("Command1"));
    RunDeferredDeletes();
    EXPECT_TRUE(OpenWindows<FrmSplash>().isEmpty());

    Click("About");
    Click("About");
    QList<FrmAbout*> open = OpenWindows<FrmAbout>();
    ASSERT_EQ(open.size(), 1);
    const QPointer<FrmAbout> first = open[0];
    EXPECT_EQ(first->parentWidget(), nullptr);
    EXPECT_FALSE(first->isModal());
    EXPECT_TRUE(Find<QPushButton>("Command1").isEnabled());

    first->close();
    RunDeferredDeletes();
    EXPECT_TRUE(first.isNull());
    Click("About");
    ASSERT_EQ(OpenWindows<FrmAbout>().size(), 1);

    // Closing the main window ends the program: the About window goes with it.
    window_->close();
    EXPECT_TRUE(OpenWindows<FrmAbout>().isEmpty());
}

using AboutButtonTest = MainWindowTest;

// "About" brings back an About window that the user minimised: in its normal state, and active
// in place of the main window.
TEST_F(AboutButtonTest, BringsBackAMinimisedAboutWindow) {
    Click("About");
    const QList<FrmAbout*> open = OpenWindows<FrmAbout>();
    ASSERT_EQ(open.size(), 1);
    FrmAbout* const about = open[0];
    about->showMinimized();
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    ASSERT_TRUE(about->isMinimized());

    Click("About");
    EXPECT_EQ(OpenWindows<FrmAbout>(), open);
    EXPECT_FALSE(about->isMinimized());
    ASSERT_NE(about->windowHandle(), nullptr);
    EXPECT_EQ(about->windowHandle()->windowState(), Qt::WindowNoState);
    EXPECT_TRUE(QTest::qWaitForWindowActive(about));
}

// The program's message boxes: its caption, the text, no icon and only an OK button.
TEST(MessageBoxTest, ShowsTheProgramsCaptionNoIconAndOnlyOk) {
    QStringList seen;
    QTimer::singleShot(0, [&seen] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);  // else the test waits for its time limit
        seen << box->windowTitle() << box->text() << QString::number(box->icon())
             << QString::number(box->standardButtons().toInt())
             << QString::number(box->buttons().size());
        box->accept();
    });
    QtMessageBoxes().Show(QStringLiteral("Shape file not created."));
    EXPECT_EQ(seen, (QStringList{"Nerasco Tesselar", "Shape file not created.", "0", "1024", "1"}));
}

}  // namespace
}  // namespace tesselar::test
