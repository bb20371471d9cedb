#include <gtest/gtest.h>

#include <QDir>

#include "gui/MainWindowFixture.h"

namespace tesselar::test {
namespace {

using PickersTest = MainWindowTest;

// Each button asks its dialog, owned by the window, and fills its own box with the answer (the
// file picker's with its surrounding blanks removed); a cancelled dialog empties the folder box
// and leaves the others.
TEST_F(PickersTest, ButtonsFillTheirBoxUnlessCancelled) {
    const struct {
        const char* button;
        const char* box;
        const char* answer;
        const char* filled;
    } pickers[] = {
        {"ShapeBrowser1", "ShapeFolder_TB", "/data/model/out", ""},
        {"XAxysBrowser", "XAxysFile_TB", "  /data/model/grid x.dat ", "/data/model/grid x.dat"},
        {"YAxysBrowser", "YAxysFile_TB", "/data/model/grid_y.dat", "/data/model/grid_y.dat"},
        {"AttributeBrowser", "AttribFile_TB", "/data/model/s.dat", "/data/model/s.dat"},
    };
    for (const auto& picker : pickers) {
        dialogs_.answer = QString::fromLatin1(picker.answer);
        Click(picker.button);
        EXPECT_EQ(TextOf(picker.box), QString::fromLatin1(picker.answer).trimmed());
        dialogs_.answer.clear();
        Click(picker.button);
        EXPECT_EQ(TextOf(picker.box), QString::fromLatin1(picker.filled)) << picker.button;
    }
    const QString file =
        window_->windowTitle() + "|Select File|" + QDir::currentPath() + "|dat Files (*.dat)";
    EXPECT_EQ(dialogs_.asked,
              QStringList({"Select Directory", "Select Directory"}) + QStringList(6, file));
}

}  // namespace
}  // namespace tesselar::test
