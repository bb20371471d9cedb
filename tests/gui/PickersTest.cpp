#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QTimer>

#include "forms/QtDesktopServices.h"
#include "gui/MainWindowFixture.h"

namespace tesselar::test {
namespace {

using PickersTest = MainWindowTest;

// Each button asks its dialog, owned by the window, and fills its own box with the answer (the
// file picker's with its surrounding blanks removed). A cancelled dialog leaves the box as it
// was, whether the user typed its text or a dialog put it there.
TEST_F(PickersTest, ButtonsFillTheirBoxUnlessCancelled) {
    const struct {
        const char* button;
        const char* box;
        const char* answer;
    } pickers[] = {
        {"ShapeBrowser1", "ShapeFolder_TB", "/data/model/out"},
        {"XAxysBrowser", "XAxysFile_TB", "  /data/model/grid x.dat "},
        {"YAxysBrowser", "YAxysFile_TB", "/data/model/grid_y.dat"},
        {"AttributeBrowser", "AttribFile_TB", "/data/model/s.dat"},
    };
    for (const auto& picker : pickers) {
        const QString typed = QStringLiteral("/typed/") + QString::fromLatin1(picker.box);
        Type(picker.box, typed);
        dialogs_.answer.clear();
        Click(picker.button);
        EXPECT_EQ(TextOf(picker.box), typed) << picker.button;
        dialogs_.answer = QString::fromLatin1(picker.answer);
        Click(picker.button);
        const QString chosen = QString::fromLatin1(picker.answer).trimmed();
        EXPECT_EQ(TextOf(picker.box), chosen) << picker.button;
        dialogs_.answer.clear();
        Click(picker.button);
        EXPECT_EQ(TextOf(picker.box), chosen) << picker.button;
    }
}

// The folder dialog is titled "Select Directory". The file dialogs are owned by the window, open
// in the current directory and offer the .dat files first, then all files.
TEST_F(PickersTest, DialogsAreAskedForDatFilesFirstThenAllFiles) {
    for (const char* button :
         {"ShapeBrowser1", "XAxysBrowser", "YAxysBrowser", "AttributeBrowser"}) {
        Click(button);
    }
    const QString file = window_->windowTitle() + "|Select File|" + QDir::currentPath() +
                         "|dat Files (*.dat);;All files (*)";
    EXPECT_EQ(dialogs_.asked, QStringList{"Select Directory"} + QStringList(3, file));
}

// The desktop's file dialog offers the filters it is given, the first one chosen, and a cancel
// chooses nothing.
TEST(FileDialogTest, OffersItsFiltersFirstChosen) {
    QStringList offered;
    QString chosenFilter;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);  // else the test waits for its time limit
        offered = dialog->nameFilters();
        chosenFilter = dialog->selectedNameFilter();
        dialog->reject();
    });
    const QString chosen =
        QtFileDialog().ChooseFile(nullptr, QStringLiteral("Select File"), QDir::currentPath(),
                                  QStringLiteral("dat Files (*.dat);;All files (*)"));
    EXPECT_TRUE(chosen.isEmpty());
    EXPECT_EQ(offered, (QStringList{"dat Files (*.dat)", "All files (*)"}));
    EXPECT_EQ(chosenFilter, QStringLiteral("dat Files (*.dat)"));
}

}  // namespace
}  // namespace tesselar::test
