#include <gtest/gtest.h>

#include <QPointer>
#include <QPushButton>
#include <QTest>

#include "conversion/Version.h"
#include "forms/frmAbout.h"
#include "gui/WindowTestSupport.h"

namespace tesselar::test {
namespace {

class AboutTest : public ::testing::Test {
protected:
    void SetUp() override {
        about_ = new FrmAbout;
        about_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(about_));
        cmdOK_ = about_->findChild<QPushButton*>(QStringLiteral("cmdOK"));
        ASSERT_NE(cmdOK_, nullptr);
        QObject::connect(cmdOK_, &QPushButton::clicked, [this] { ++okClicks_; });
    }

    void TearDown() override { delete about_; }

    QString LabelText(const char* name) const {
        const auto* label = about_->findChild<QLabel*>(QString::fromLatin1(name));
        EXPECT_NE(label, nullptr) << name;
        return label ? label->text() : QString();
    }

    // Enter and Esc close the window by pressing OK, the default and the cancel button.
    void ExpectClosedAndDeleted(int okClicks) {
        ASSERT_FALSE(about_.isNull());
        EXPECT_FALSE(about_->isVisible());
        RunDeferredDeletes();
        EXPECT_TRUE(about_.isNull());
        EXPECT_EQ(okClicks_, okClicks);
    }

    QPointer<FrmAbout> about_;
    QPushButton* cmdOK_ = nullptr;
    int okClicks_ = 0;
};

// Its texts, in a window of fixed size with only a close button and OK as default and focus.
TEST_F(AboutTest, ShowsTitleVersionAndDescription) {
    EXPECT_EQ(about_->windowTitle(), QStringLiteral("About Nerasco Tesselar"));
    EXPECT_EQ(LabelText("lblTitle"), QStringLiteral("Nerasco Tesselar"));
    EXPECT_EQ(LabelText("lblVersion"),
              QStringLiteral("Version ") + QString::fromLatin1(kVersionText));
    EXPECT_EQ(LabelText("lblDescription"),
              QStringLiteral("Tesselar is a simple and easy tool to convert Nerasco output data "
                             "to shape files"));
    for (const char* credit : {"lblDisclaimer", "Label1", "Label2", "Label3"}) {
        EXPECT_TRUE(LabelText(credit).contains(QStringLiteral("esselar"))) << credit;
    }
    EXPECT_TRUE(LabelText("Label3").contains(QStringLiteral("2026")));
    EXPECT_EQ(cmdOK_->text(), QStringLiteral("OK"));
    EXPECT_TRUE(cmdOK_->isDefault());
    ExpectLabelTextsFit(*about_);

    const Qt::WindowFlags flags = about_->windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(about_->minimumSize(), about_->maximumSize());
    EXPECT_EQ(about_->focusWidget(), cmdOK_);
}

TEST_F(AboutTest, OtherKeysLeaveItOpen) {
    QTest::keyClick(about_, Qt::Key_A);
    QTest::keyClick(about_, Qt::Key_F1);
    RunDeferredDeletes();
    ASSERT_FALSE(about_.isNull());
    EXPECT_TRUE(about_->isVisible());
}

TEST_F(AboutTest, OkClickCloses) {
    QTest::mouseClick(cmdOK_, Qt::LeftButton);
    ExpectClosedAndDeleted(1);
}

TEST_F(AboutTest, EnterCloses) {
    QTest::keyClick(about_, Qt::Key_Return);
    ExpectClosedAndDeleted(1);
}

TEST_F(AboutTest, EscCloses) {
    QTest::keyClick(about_, Qt::Key_Escape);
    ExpectClosedAndDeleted(1);
}

TEST_F(AboutTest, CloseButtonCloses) {
    about_->close();
    ExpectClosedAndDeleted(0);
}

}  // namespace
}  // namespace tesselar::test
