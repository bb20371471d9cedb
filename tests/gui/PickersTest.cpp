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

TEST_F(PickersTest, FolderPickerFillsOrEmptiesTheFolderBox) {
    folderDialog_.answer = QStringLiteral("/data/model/out");
    Click("ShapeBrowser1");
    EXPECT_EQ(TextOf("ShapeFolder_TB"), QStringLiteral("/data/model/out"));
    EXPECT_EQ(folderDialog_.titles, QStringList{"Select Directory"});

    folderDialog_.answer.clear();
    Click("ShapeBrowser1");
    EXPECT_TRUE(TextOf("ShapeFolder_TB").isEmpty());
}

TEST_F(PickersTest, FileButtonsAskForDatFilesInTheCurrentDirectory) {
    fileDialog_.answer = QStringLiteral("  /data/model/grid x.dat ");
    Click("XAxysBrowser");
    EXPECT_EQ(TextOf("XAxysFile_TB"), QStringLiteral("/data/model/grid x.dat"));

    fileDialog_.answer = QStringLiteral("/data/model/grid_y.dat");
    Click("YAxysBrowser");
    EXPECT_EQ(TextOf("YAxysFile_TB"), QStringLiteral("/data/model/grid_y.dat"));
    fileDialog_.answer = QStringLiteral("/data/model/salinity.dat");
    Click("AttributeBrowser");
    EXPECT_EQ(TextOf("AttribFile_TB"), QStringLiteral("/data/model/salinity.dat"));

    ASSERT_EQ(fileDialog_.requests.size(), 3u);
    for (const auto& request : fileDialog_.requests) {
        EXPECT_EQ(request.owner, window_.get());
        EXPECT_EQ(request.title, QStringLiteral("Select File"));
        EXPECT_EQ(request.filter, QStringLiteral("dat Files (*.dat)"));
        EXPECT_EQ(request.startFolder, QDir::currentPath());
    }
}

// The box keeps what it held, typed or picked, and no other box takes the last pick.
TEST_F(PickersTest, CancelledFileDialogLeavesItsBoxAsItWas) {
    fileDialog_.answer = QStringLiteral("/data/x.dat");
    Click("XAxysBrowser");
    Type("AttribFile_TB", "typed.dat");
    fileDialog_.answer.clear();
    Click("XAxysBrowser");
    Click("YAxysBrowser");
    Click("AttributeBrowser");
    EXPECT_EQ(TextOf("XAxysFile_TB"), QStringLiteral("/data/x.dat"));
    EXPECT_TRUE(TextOf("YAxysFile_TB").isEmpty());
    EXPECT_EQ(TextOf("AttribFile_TB"), QStringLiteral("typed.dat"));
}

// The real dialogs, answered as a user would once they show.
class QtDialogsTest : public ::testing::Test {
protected:
    template <class Dialog, class Answer>
    static void WhenShown(Answer answer) {
        QTimer::singleShot(0, [answer] {
            auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            answer(*dialog);
        });
    }
};

TEST_F(QtDialogsTest, MessageBoxShowsTheTextWithOnlyOkAndNoIcon) {
    bool seen = false;
    WhenShown<QMessageBox>([&seen](QMessageBox& box) {
        seen = true;
        EXPECT_EQ(box.windowTitle(), QStringLiteral("Nerasco Tesselar"));
        EXPECT_EQ(box.text(), QStringLiteral("Please add an attribute"));
        EXPECT_EQ(box.icon(), QMessageBox::NoIcon);
        EXPECT_EQ(box.standardButtons(), QMessageBox::Ok);
        EXPECT_TRUE(box.isModal());
        box.button(QMessageBox::Ok)->click();
    });
    QtMessageBoxes().Show(QStringLiteral("Please add an attribute"));
    EXPECT_TRUE(seen);
}

TEST_F(QtDialogsTest, FileDialogOffersTheFilterInTheStartFolder) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString chosen = folder.filePath(QStringLiteral("grid.dat"));
    QWidget owner;
    WhenShown<QFileDialog>([&](QFileDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Select File"));
        EXPECT_EQ(dialog.nameFilters(), QStringList{"dat Files (*.dat)"});
        EXPECT_EQ(dialog.directory().absolutePath(), QDir(folder.path()).absolutePath());
        EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptOpen);
        EXPECT_EQ(dialog.parentWidget(), &owner);
        dialog.selectFile(chosen);
        QMetaObject::invokeMethod(&dialog, "accept");
    });
    EXPECT_EQ(QtFileDialog().ChooseFile(&owner, QStringLiteral("Select File"), folder.path(),
                                        QStringLiteral("dat Files (*.dat)")),
              chosen);

    WhenShown<QFileDialog>([](QFileDialog& dialog) { dialog.reject(); });
    EXPECT_TRUE(QtFileDialog()
                    .ChooseFile(&owner, QStringLiteral("Select File"), folder.path(),
                                QStringLiteral("dat Files (*.dat)"))
                    .isEmpty());
}

TEST_F(QtDialogsTest, FolderDialogOffersOnlyFoldersAndHasNoOwner) {
    WhenShown<QFileDialog>([](QFileDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Select Directory"));
        EXPECT_EQ(dialog.fileMode(), QFileDialog::Directory);
        EXPECT_TRUE(dialog.testOption(QFileDialog::ShowDirsOnly));
        EXPECT_EQ(dialog.parentWidget(), nullptr);
        dialog.reject();
    });
    EXPECT_TRUE(QtFolderDialog().ChooseFolder(QStringLiteral("Select Directory")).isEmpty());

    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("out")));
    const QString chosen = QDir(folder.path()).absoluteFilePath(QStringLiteral("out"));
    WhenShown<QFileDialog>([&chosen](QFileDialog& dialog) {
        dialog.setDirectory(chosen);
        QMetaObject::invokeMethod(&dialog, "accept");
    });
    EXPECT_EQ(QtFolderDialog().ChooseFolder(QStringLiteral("Select Directory")), chosen);
}

}  // namespace
}  // namespace tesselar::test
