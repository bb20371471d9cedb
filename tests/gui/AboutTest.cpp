#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <array>
#include <string>

#include "forms/frmAbout.h"
#include "gui/LabelTextFits.h"

namespace tesselar {
namespace {

class AboutTest : public ::testing::Test {
protected:
    void SetUp() override {
        about_ = new FrmAbout;
        about_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(about_));
        cmdOK_ = about_->findChild<QPushButton*>(QStringLiteral("cmdOK"));
        ASSERT_NE(cmdOK_, nullptr);
    }

    void TearDown() override { delete about_; }

    QString LabelText(const char* name) const {
        const auto* label = about_->findChild<QLabel*>(QString::fromLatin1(name));
        EXPECT_NE(label, nullptr) << name;
        return label ? label->text() : QString();
    }

    bool IsDeletedAfterEvents() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return about_.isNull();
    }

    QPointer<FrmAbout> about_;
    QPushButton* cmdOK_ = nullptr;
};

TEST_F(AboutTest, ShowsTitleVersionAndDescription) {
    EXPECT_EQ(about_->windowTitle(), QStringLiteral("About Nerasco Tesselar"));
    EXPECT_EQ(LabelText("lblTitle"), QStringLiteral("Nerasco Tesselar"));
    EXPECT_EQ(LabelText("lblVersion"), QStringLiteral("Version 1.1.0"));
    EXPECT_EQ(LabelText("lblDescription"),
              QStringLiteral("Tesselar is a simple and easy tool to convert Nerasco output data "
                             "to shape files"));
    for (const char* credit : {"lblDisclaimer", "Label1", "Label2", "Label3"}) {
        EXPECT_TRUE(LabelText(credit).contains(QStringLiteral("esselar"))) << credit;
    }
    EXPECT_TRUE(LabelText("Label3").contains(QStringLiteral("2026")));
}

TEST_F(AboutTest, IsAModelessFixedDialogWithOnlyACloseButton) {
    EXPECT_FALSE(about_->isModal());
    EXPECT_TRUE(about_->testAttribute(Qt::WA_DeleteOnClose));
    const Qt::WindowFlags flags = about_->windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(about_->minimumSize(), about_->maximumSize());
}

TEST_F(AboutTest, OkIsTheDefaultButtonAndHasTheFocus) {
    EXPECT_TRUE(cmdOK_->isDefault());
    EXPECT_EQ(cmdOK_->text(), QStringLiteral("OK"));
    EXPECT_EQ(about_->focusWidget(), cmdOK_);
}

TEST_F(AboutTest, OtherKeysLeaveItOpen) {
    QTest::keyClick(about_, Qt::Key_A);
    QTest::keyClick(about_, Qt::Key_F1);
    EXPECT_FALSE(IsDeletedAfterEvents());
    EXPECT_TRUE(about_->isVisible());
}

TEST_F(AboutTest, EveryTextFitsItsLabel) {
    test::ExpectLabelTextsFit(*about_);
}

enum class Closing { OkClick, Enter, Esc, CloseButton };

class AboutCloseTest : public AboutTest, public ::testing::WithParamInterface<Closing> {};

TEST_P(AboutCloseTest, ClosesAndDeletesTheWindow) {
    bool okClicked = false;
    QObject::connect(cmdOK_, &QPushButton::clicked, [&okClicked] { okClicked = true; });
    switch (GetParam()) {
        case Closing::OkClick:
            QTest::mouseClick(cmdOK_, Qt::LeftButton);
            break;
        case Closing::Enter:
            QTest::keyClick(about_, Qt::Key_Return);
            break;
        case Closing::Esc:
            QTest::keyClick(about_, Qt::Key_Escape);
            break;
        case Closing::CloseButton:
            about_->close();
            break;
    }
    ASSERT_FALSE(about_.isNull());
    EXPECT_FALSE(about_->isVisible());
    EXPECT_TRUE(IsDeletedAfterEvents());
    // Enter and Esc close the window by pressing OK, the default and the cancel button.
    EXPECT_EQ(okClicked, GetParam() != Closing::CloseButton);
}

std::string NameOf(const ::testing::TestParamInfo<Closing>& way) {
    constexpr std::array<const char*, 4> kNames = {"OkClick", "Enter", "Esc", "CloseButton"};
    return kNames.at(static_cast<std::size_t>(way.param));
}

INSTANTIATE_TEST_SUITE_P(Ways, AboutCloseTest,
                         ::testing::Values(Closing::OkClick, Closing::Enter, Closing::Esc,
                                           Closing::CloseButton),
                         NameOf);

}  // namespace
}  // namespace tesselar
