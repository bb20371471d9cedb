#include <gtest/gtest.h>

#include <QFrame>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <utility>

#include "conversion/Version.h"
#include "forms/frmSplash.h"
#include "gui/WindowTestSupport.h"

namespace tesselar::test {
namespace {

class SplashTest : public ::testing::Test {
protected:
    void SetUp() override { Open(); }
    void TearDown() override { delete splash_; }

    void Open() {
        delete splash_;
        mainWindowShown_ = 0;
        splash_ = new FrmSplash([this] { ++mainWindowShown_; });
        splash_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(splash_));
        frame1_ = splash_->findChild<QFrame*>(QStringLiteral("Frame1"));
        timer1_ = splash_->findChild<QTimer*>(QStringLiteral("Timer1"));
        ASSERT_TRUE(frame1_ != nullptr && timer1_ != nullptr);
    }
    QLabel* Child(const char* name) const {
        return splash_->findChild<QLabel*>(QString::fromLatin1(name));
    }
    QPoint EmptyPartOfTheFrame() const {
        const QPoint empty(frame1_->width() / 20, frame1_->height() * 9 / 10);
        EXPECT_EQ(frame1_->childAt(empty), nullptr);
        return empty;
    }
    // Either it stays open with its timer running, or it closed, showed the main window once
    // and is deleted.
    void ExpectClosed(bool closed) {
        EXPECT_EQ(mainWindowShown_, closed ? 1 : 0);
        EXPECT_EQ(!timer1_.isNull() && timer1_->isActive(), !closed);
        RunDeferredDeletes();
        EXPECT_EQ(splash_.isNull(), closed);
    }

    QPointer<FrmSplash> splash_;
    QFrame* frame1_ = nullptr;
    QPointer<QTimer> timer1_;
    int mainWindowShown_ = 0;
};

// It shows name, version and platform over the icon and closes on its own after two seconds.
TEST_F(SplashTest, ShowsItsTextsAndClosesOnItsOwnAfterTwoSeconds) {
    for (const auto& [name, text] :
         {std::pair{"lblCompanyProduct", QStringLiteral("Nerasco")},
          std::pair{"lblProductName", QStringLiteral("Tesselar")},
          std::pair{"lblPlatform", QStringLiteral("for Linux")},
          std::pair{"lblVersion", QStringLiteral("%1.%2").arg(kVersionMajor).arg(kVersionMinor)}}) {
        EXPECT_EQ(Child(name)->text(), text);
    }
    ExpectLabelTextsFit(*splash_);
    const QRect overlap = Child("lblProductName")->geometry() & Child("Image1")->geometry();
    ASSERT_FALSE(overlap.isEmpty());
    EXPECT_EQ(frame1_->childAt(overlap.center()), Child("lblProductName"));
    EXPECT_EQ(timer1_->interval(), 2000);
    QCoreApplication::processEvents();
    EXPECT_EQ(mainWindowShown_, 0);
    EXPECT_TRUE(QTest::qWaitFor([this] { return mainWindowShown_ > 0; }, 10000));
    ExpectClosed(true);
}

// A key that produces a character (sent to a child: the window sees it whatever has the
// focus) closes it and shows the main window once; keys without a character do not.
TEST_F(SplashTest, KeysWithACharacterAndClicksOnTheEmptyFrameCloseIt) {
    for (const Qt::Key key : {Qt::Key_A, Qt::Key_7, Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape,
                              Qt::Key_Backspace, Qt::Key_Space, Qt::Key_Shift, Qt::Key_F5}) {
        SCOPED_TRACE(key);
        Open();
        QTest::keyClick(frame1_, key);
        ExpectClosed(key != Qt::Key_Shift && key != Qt::Key_F5);
    }

    // A click on the empty part of the frame or the window manager close it once, even when a
    // timeout already on its way follows; clicks on the labels and pictures or on the margin
    // around the frame, and a press on a label released over the frame, do not.
    Open();
    QTest::mouseClick(frame1_, Qt::LeftButton, {}, EmptyPartOfTheFrame());
    ExpectClosed(true);
    Open();
    splash_->close();
    QMetaObject::invokeMethod(timer1_, "timeout");
    QTest::keyClick(splash_, Qt::Key_B);
    ExpectClosed(true);

    Open();
    for (QLabel* child : frame1_->findChildren<QLabel*>()) {
        QTest::mouseClick(child, Qt::LeftButton, {}, child->rect().center());
    }
    const QPoint margin(frame1_->x() / 2, splash_->height() / 2);
    ASSERT_EQ(splash_->childAt(margin), nullptr);
    QTest::mouseClick(splash_, Qt::LeftButton, {}, margin);
    QLabel* logo = Child("imgLogo");
    QTest::mousePress(logo, Qt::LeftButton, {}, logo->rect().center());
    QTest::mouseRelease(frame1_, Qt::LeftButton, {}, EmptyPartOfTheFrame());
    ExpectClosed(false);
}

}  // namespace
}  // namespace tesselar::test
