#include <gtest/gtest.h>

#include <QFrame>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <functional>

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
        ASSERT_NE(frame1_, nullptr);
        ASSERT_NE(timer1_, nullptr);
    }
    QLabel* Child(const char* name) const {
        return splash_->findChild<QLabel*>(QString::fromLatin1(name));
    }
    QPoint EmptyPartOfTheFrame() const {
        const QPoint empty(frame1_->width() / 20, frame1_->height() * 9 / 10);
        EXPECT_EQ(frame1_->childAt(empty), nullptr);
        return empty;
    }
    void ExpectClosedOnceAndDeleted() {
        EXPECT_EQ(mainWindowShown_, 1);
        EXPECT_TRUE(timer1_.isNull() || !timer1_->isActive());
        RunDeferredDeletes();
        EXPECT_TRUE(splash_.isNull());
    }

    QPointer<FrmSplash> splash_;
    QFrame* frame1_ = nullptr;
    QPointer<QTimer> timer1_;
    int mainWindowShown_ = 0;
};

TEST_F(SplashTest, ClosesOnItsOwnAfterTwoSeconds) {
    EXPECT_EQ(timer1_->interval(), 2000);
    QCoreApplication::processEvents();
    EXPECT_EQ(mainWindowShown_, 0);
    EXPECT_TRUE(QTest::qWaitFor([this] { return mainWindowShown_ > 0; }, 10000));
    ExpectClosedOnceAndDeleted();
}

// A key that produces a character (sent to a child: the window sees it whatever has the
// focus), a click on the empty part of the frame, or the window manager close it and show the
// main window once, even when a timeout already on its way follows.
TEST_F(SplashTest, KeyClickOrCloseShowsTheMainWindowOnce) {
    std::vector<std::function<void()>> closers;
    for (const Qt::Key key : {Qt::Key_A, Qt::Key_7, Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape,
                              Qt::Key_Backspace, Qt::Key_Space}) {
        closers.emplace_back([this, key] { QTest::keyClick(frame1_, key); });
    }
    closers.emplace_back(
        [this] { QTest::mouseClick(frame1_, Qt::LeftButton, {}, EmptyPartOfTheFrame()); });
    closers.emplace_back([this] { splash_->close(); });
    closers.emplace_back([this] {
        QTest::keyClick(splash_, Qt::Key_Escape);
        QMetaObject::invokeMethod(timer1_, "timeout");
        QTest::keyClick(splash_, Qt::Key_B);
    });
    for (std::size_t n = 0; n < closers.size(); ++n) {
        SCOPED_TRACE(n);
        if (n > 0) {
            Open();
        }
        closers[n]();
        ExpectClosedOnceAndDeleted();
    }
}

// Keys without a character, clicks on the labels and pictures or on the margin around the
// frame, and a press on a label released over the frame leave the window open.
TEST_F(SplashTest, OtherKeysAndClicksLeaveItOpen) {
    QTest::keyClick(splash_, Qt::Key_Shift);
    QTest::keyClick(splash_, Qt::Key_F5);
    const QList<QLabel*> children = frame1_->findChildren<QLabel*>();
    ASSERT_EQ(children.size(), 9);
    for (QLabel* child : children) {
        QTest::mouseClick(child, Qt::LeftButton, {}, child->rect().center());
    }
    const QPoint margin(frame1_->x() / 2, splash_->height() / 2);
    ASSERT_EQ(splash_->childAt(margin), nullptr);
    QTest::mouseClick(splash_, Qt::LeftButton, {}, margin);
    QLabel* logo = Child("imgLogo");
    QTest::mousePress(logo, Qt::LeftButton, {}, logo->rect().center());
    QTest::mouseRelease(frame1_, Qt::LeftButton, {}, EmptyPartOfTheFrame());

    EXPECT_EQ(mainWindowShown_, 0);
    RunDeferredDeletes();
    ASSERT_FALSE(splash_.isNull());
    EXPECT_TRUE(splash_->isVisible());
    EXPECT_TRUE(timer1_->isActive());
}

TEST_F(SplashTest, ShowsNameVersionAndPlatformOverTheIcon) {
    EXPECT_EQ(Child("lblCompanyProduct")->text(), QStringLiteral("Nerasco"));
    EXPECT_EQ(Child("lblProductName")->text(), QStringLiteral("Tesselar"));
    EXPECT_EQ(Child("lblPlatform")->text(), QStringLiteral("for Linux"));
    EXPECT_EQ(Child("lblVersion")->text(),
              QStringLiteral("%1.%2").arg(kVersionMajor).arg(kVersionMinor));
    ExpectLabelTextsFit(*splash_);
    const QLabel* productName = Child("lblProductName");
    const QRect overlap = productName->geometry() & Child("Image1")->geometry();
    ASSERT_FALSE(overlap.isEmpty());
    EXPECT_EQ(frame1_->childAt(overlap.center()), productName);
}

}  // namespace
}  // namespace tesselar::test
