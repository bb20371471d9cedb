#include <gtest/gtest.h>

#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <functional>

#include "conversion/Version.h"
#include "forms/frmAbout.h"
#include "gui/WindowTestSupport.h"

namespace tesselar::test {
namespace {

class AboutTest : public ::testing::Test {
protected:
    void SetUp() override { Open(); }
    void TearDown() override { delete about_; }

    void Open() {
        delete about_;
        okClicks_ = 0;
        about_ = new FrmAbout;
        about_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(about_));
        cmdOK_ = about_->findChild<QPushButton*>(QStringLiteral("cmdOK"));
        ASSERT_NE(cmdOK_, nullptr);
        QObject::connect(cmdOK_, &QPushButton::clicked, [this] { ++okClicks_; });
    }
    QString LabelText(const char* name) const {
        const auto* label = about_->findChild<QLabel*>(QString::fromLatin1(name));
        return label ? label->text() : QStringLiteral("no label");
    }

    QPointer<FrmAbout> about_;
    QPushButton* cmdOK_ = nullptr;
    int okClicks_ = 0;
};

// Its texts, in a window of fixed size with OK as default and focus.
TEST_F(AboutTest, ShowsTitleVersionAndDescription) {
    EXPECT_EQ(about_->windowTitle(), QStringLiteral("About Nerasco Tesselar"));
    EXPECT_EQ(LabelText("lblTitle"), QStringLiteral("Nerasco Tesselar"));
    EXPECT_EQ(LabelText("lblVersion"),
              QStringLiteral("Version ") + QString::fromLatin1(kVersionText));
    EXPECT_EQ(LabelText("lblDescription"),
              QStringLiteral("Tesselar is a simple and easy tool to convert Nerasco output data "
                             "to shape files"));
    EXPECT_TRUE(LabelText("Label3").contains(QStringLiteral("2026")));
    ExpectLabelTextsFit(*about_);
    EXPECT_FALSE(about_->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(about_->minimumSize(), about_->maximumSize());
    EXPECT_EQ(about_->focusWidget(), cmdOK_);
}

// OK, Enter and Esc close it through OK, the default and cancel button; the close button
// without it; other keys not at all.
TEST_F(AboutTest, OkEnterEscAndTheCloseButtonCloseIt) {
    const struct {
        std::function<void(FrmAbout&, QPushButton&)> action;
        int okClicks;
    } closers[] = {
        {[](FrmAbout&, QPushButton& ok) { QTest::mouseClick(&ok, Qt::LeftButton); }, 1},
        {[](FrmAbout& about, QPushButton&) { QTest::keyClick(&about, Qt::Key_Return); }, 1},
        {[](FrmAbout& about, QPushButton&) { QTest::keyClick(&about, Qt::Key_Escape); }, 1},
        {[](FrmAbout& about, QPushButton&) { about.close(); }, 0},
    };
    QTest::keyClick(about_, Qt::Key_A);
    QTest::keyClick(about_, Qt::Key_F1);
    RunDeferredDeletes();
    ASSERT_FALSE(about_.isNull());
    EXPECT_TRUE(about_->isVisible());
    for (const auto& closer : closers) {
        Open();
        closer.action(*about_, *cmdOK_);
        EXPECT_FALSE(about_->isVisible());
        RunDeferredDeletes();
        EXPECT_TRUE(about_.isNull());
        EXPECT_EQ(okClicks_, closer.okClicks);
    }
}

}  // namespace
}  // namespace tesselar::test
