#include <gtest/gtest.h>

#include <QFrame>
#include <QKeySequence>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include "conversion/Version.h"
#include "forms/frmSplash.h"
#include "gui/WindowTestSupport.h"

namespace tesselar::test {
namespace {

class SplashTest : public ::testing::Test {
protected:
    void SetUp() override {
        splash_ = new FrmSplash([this] { ++mainWindowShown_; });
        splash_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(splash_));
        frame1_ = splash_->findChild<QFrame*>(QStringLiteral("Frame1"));
        timer1_ = splash_->findChild<QTimer*>(QStringLiteral("Timer1"));
        ASSERT_NE(frame1_, nullptr);
        ASSERT_NE(timer1_, nullptr);
    }

    void TearDown() override { delete splash_; }

    QLabel* Child(const char* name) const {
        auto* child = splash_->findChild<QLabel*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }

    QPoint EmptyPartOfTheFrame() const {
        const QPoint empty(frame1_->width() / 20, frame1_->height() * 9 / 10);
        EXPECT_EQ(frame1_->childAt(empty), nullptr);
        return empty;
    }

    void ExpectClosedOnceAndDeleted() {
        EXPECT_EQ(mainWindowShown_, 1);
        EXPECT_TRUE(splash_.isNull() || !splash_->isVisible());
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
    EXPECT_TRUE(timer1_->isSingleShot());
    EXPECT_EQ(timer1_->interval(), 2000);
    QCoreApplication::processEvents();
    EXPECT_EQ(mainWindowShown_, 0);

    EXPECT_TRUE(QTest::qWaitFor([this] { return mainWindowShown_ > 0; }, 10000));
    ExpectClosedOnceAndDeleted();
}

class SplashKeyTest : public SplashTest, public ::testing::WithParamInterface<Qt::Key> {};

// The keys go to a child: the window sees them whatever has the focus.
TEST_P(SplashKeyTest, KeyThatProducesACharacterCloses) {
    QTest::keyClick(frame1_, GetParam());
    ExpectClosedOnceAndDeleted();
}

INSTANTIATE_TEST_SUITE_P(Keys, SplashKeyTest,
                         ::testing::Values(Qt::Key_A, Qt::Key_7, Qt::Key_Return, Qt::Key_Enter,
                                           Qt::Key_Escape, Qt::Key_Backspace, Qt::Key_Space),
                         [](const auto& key) {
                             return "Key" + QKeySequence(key.param).toString().toStdString();
                         });

TEST_F(SplashTest, TimerAfterAKeyDoesNotShowTheMainWindowAgain) {
    QTest::keyClick(splash_, Qt::Key_Escape);
    // A timeout that was already on its way when the key closed the window.
    QMetaObject::invokeMethod(timer1_, "timeout");
    QTest::keyClick(splash_, Qt::Key_B);
    ExpectClosedOnceAndDeleted();
}

TEST_F(SplashTest, ClickOnTheEmptyPartOfTheFrameCloses) {
    QTest::mouseClick(frame1_, Qt::LeftButton, {}, EmptyPartOfTheFrame());
    ExpectClosedOnceAndDeleted();
}

TEST_F(SplashTest, ClosedByTheWindowManagerStillShowsTheMainWindow) {
    splash_->close();
    ExpectClosedOnceAndDeleted();
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
        EXPECT_EQ(mainWindowShown_, 0) << child->objectName().toStdString();
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
    EXPECT_TRUE(splash_->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(splash_->windowType(), Qt::Tool);
    ExpectLabelTextsFit(*splash_);

    const QLabel* productName = Child("lblProductName");
    const QRect overlap = productName->geometry() & Child("Image1")->geometry();
    ASSERT_FALSE(overlap.isEmpty());
    EXPECT_EQ(frame1_->childAt(overlap.center()), productName);
}

}  // namespace
}  // namespace tesselar::test
