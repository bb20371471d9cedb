#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

#include "forms/QtDesktopServices.h"
#include "gui/MainWindowFixture.h"

namespace tesselar::test {
namespace {

using PickersTest = MainWindowTest;

// Each button asks its dialog and fills its own box with the answer (the file picker's with its
// surrounding blanks removed); a cancelled dialog empties the folder box and leaves the others.
TEST_F(PickersTest, ButtonsFillTheirBoxUnlessCancelled) {
    folderDialog_.answer = QStringLiteral("/data/model/out");
    Click("ShapeBrowser1");
    EXPECT_EQ(TextOf("ShapeFolder_TB"), QStringLiteral("/data/model/out"));
    fileDialog_.answer = QStringLiteral("  /data/model/grid x.dat ");
    Click("XAxysBrowser");
    fileDialog_.answer = QStringLiteral("/data/model/grid_y.dat");
    Click("YAxysBrowser");
    fileDialog_.answer = QStringLiteral("/data/model/salinity.dat");
    Click("AttributeBrowser");

    folderDialog_.answer.clear();
    fileDialog_.answer.clear();
    for (const char* button :
         {"ShapeBrowser1", "XAxysBrowser", "YAxysBrowser", "AttributeBrowser"}) {
        Click(button);
    }
    EXPECT_TRUE(TextOf("ShapeFolder_TB").isEmpty());
    EXPECT_EQ(TextOf("XAxysFile_TB"), QStringLiteral("/data/model/grid x.dat"));
    EXPECT_EQ(TextOf("YAxysFile_TB"), QStringLiteral("/data/model/grid_y.dat"));
    EXPECT_EQ(TextOf("AttribFile_TB"), QStringLiteral("/data/model/salinity.dat"));

    EXPECT_EQ(folderDialog_.titles, (QStringList{"Select Directory", "Select Directory"}));
    ASSERT_EQ(fileDialog_.requests.size(), 6u);
    for (const auto& request : fileDialog_.requests) {
        EXPECT_EQ(request.owner, window_.get());
        EXPECT_EQ(request.title, QStringLiteral("Select File"));
        EXPECT_EQ(request.filter, QStringLiteral("dat Files (*.dat)"));
        EXPECT_EQ(request.startFolder, QDir::currentPath());
    }
}

// Answers the real dialog of type Dialog, as a user would, once it shows.
template <class Dialog, class Answer>
void WhenShown(Answer answer) {
    QTimer::singleShot(0, [answer] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        answer(*dialog);
    });
}

TEST(QtDialogsTest, MessageBoxShowsTheTextWithOnlyOkAndNoIcon) {
    bool seen = false;
    WhenShown<QMessageBox>([&seen](QMessageBox& box) {
        seen = true;
        EXPECT_EQ(box.windowTitle(), QStringLiteral("Nerasco Tesselar"));
        EXPECT_EQ(box.text(), QStringLiteral("Please add an attribute"));
        EXPECT_EQ(box.icon(), QMessageBox::NoIcon);
        EXPECT_EQ(box.standardButtons(), QMessageBox::Ok);
        box.button(QMessageBox::Ok)->click();
    });
    QtMessageBoxes().Show(QStringLiteral("Please add an attribute"));
    EXPECT_TRUE(seen);
}

}  // namespace
}  // namespace tesselar::test
