#include <gtest/gtest.h>

#include <QApplication>

#include "forms/frmAbout.h"
#include "forms/frmSplash.h"
#include "gui/MainWindowFixture.h"

namespace tesselar::test {
namespace {

template <class Window>
QList<Window*> OpenWindows() {
    QList<Window*> open;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* wanted = qobject_cast<Window*>(window); wanted && wanted->isVisible()) {
            open << wanted;
        }
    }
    return open;
}

// The program's start: the main window stays hidden behind the splash window until the splash
// window hands over.
class StartupTest : public MainWindowTest {
protected:
    void SetUp() override { CreateWindow(); }
};

TEST_F(StartupTest, SplashWindowShowsTheMainWindowAsItCloses) {
    EXPECT_FALSE(window_->isVisible());
    const QList<FrmSplash*> splashes = OpenWindows<FrmSplash>();
    ASSERT_EQ(splashes.size(), 1);

    QTest::keyClick(splashes[0], Qt::Key_Escape);
    EXPECT_TRUE(window_->isVisible());
    EXPECT_EQ(window_->focusWidget(), &Find<QPushButton>("Command1"));
    RunDeferredDeletes();
    EXPECT_TRUE(OpenWindows<FrmSplash>().isEmpty());
}

using AboutWindowTest = MainWindowTest;

TEST_F(AboutWindowTest, OneAboutWindowAtATimeWithoutAnOwner) {
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

}  // namespace
}  // namespace tesselar::test
