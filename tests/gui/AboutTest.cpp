#include <gtest/gtest.h>

#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <algorithm>
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

    QPointer<FrmAbout> about_;
    QPushButton* cmdOK_ = nullptr;
    int okClicks_ = 0;
};

// Its texts, in a window of fixed size with OK as default and focus. OK, Enter and Esc close it
// through OK, the default and cancel button; the close button without it; other keys not at all.
TEST_F(AboutTest, ShowsItsTextsAndClosesThroughOk) {
    EXPECT_EQ(about_->windowTitle(), QStringLiteral("About Nerasco Tesselar"));
    for (const auto& [name, text] : {
             std::pair{"lblTitle", QStringLiteral("Nerasco Tesselar")},
             std::pair{"lblVersion", "Version " + QString::fromLatin1(kVersionText)},
             std::pair{"lblDescription",
                       QStringLiteral("Tesselar is a simple and easy tool to convert Nerasco "
                                      "output data to shape files")},
         }) {
        EXPECT_EQ(about_->findChild<QLabel*>(QString::fromLatin1(name))->text(), text);
    }
    EXPECT_TRUE(about_->findChild<QLabel*>("Label3")->text().contains(QStringLiteral("2026")));
    ExpectLabelTextsFit(*about_);
    EXPECT_EQ(about_->minimumSize(), about_->maximumSize());
    EXPECT_EQ(about_->focusWidget(), cmdOK_);

    const struct {
        std::function<void()> action;
        int okClicks;  // -1: it stays open
    } cases[] = {
        {[this] { QTest::mouseClick(cmdOK_, Qt::LeftButton); }, 1},
        {[this] { QTest::keyClick(about_, Qt::Key_Return); }, 1},
        {[this] { QTest::keyClick(about_, Qt::Key_Escape); }, 1},
        {[this] { about_->close(); }, 0},
        {[this] { QTest::keyClick(about_, Qt::Key_A); }, -1},
        {[this] { QTest::keyClick(about_, Qt::Key_F1); }, -1},
    };
    for (const auto& c : cases) {
        Open();
        c.action();
        RunDeferredDeletes();
        EXPECT_EQ(about_.isNull(), c.okClicks >= 0);
        EXPECT_EQ(okClicks_, std::max(c.okClicks, 0));
    }
}

}  // namespace
}  // namespace tesselar::test
