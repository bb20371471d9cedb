// Runs one conversion through the main window, unattended, for measurements: takes the
// arguments of tesselar-convert, fills the window's inputs with them, presses "Create Shape
// File" and answers the message boxes, writing their texts to stderr. The window is shown
// (offscreen with QT_QPA_PLATFORM=offscreen), so the progress display paints as it does for
// a user. Exit code 0 when the window reported success, 1 otherwise, 2 for bad arguments.
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/ConvertOptions.h"
#include "controls/shapefile/OutputFiles.h"
#include "conversion/Clock.h"
#include "conversion/ConversionJob.h"
#include "forms/Tesselar.h"

namespace {

class PrintedMessages final : public tesselar::MessageBoxes {
public:
    void Show(const QString& text) override {
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        last = text;
    }
    QString last;
};

class NoFolderDialog final : public tesselar::FolderDialog {
public:
    QString ChooseFolder(const QString& /*title*/) override { return {}; }
};

class NoFileDialog final : public tesselar::FileDialog {
public:
    QString ChooseFile(QWidget* /*owner*/, const QString& /*title*/, const QString& /*startFolder*/,
                       const QString& /*filter*/) override {
        return {};
    }
};

class RecordedEnd final : public tesselar::ProgramEnd {
public:
    void EndProgram(int exitStatus) override { ended = exitStatus == 0; }
    bool ended = false;
};

template <class Control>
Control& Find(const QWidget& window, const char* name) {
    return *window.findChild<Control*>(QString::fromLatin1(name));
}

void SetText(const QWidget& window, const char* box, const std::string& text) {
    Find<QLineEdit>(window, box).setText(QString::fromStdString(text));
}

}  // namespace

int main(int argc, char* argv[]) {
    tesselar::ConvertOptions options;
    try {
        options = tesselar::ParseConvertOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const tesselar::UsageError& error) {
        std::fprintf(stderr, "%s\n%s\n", error.what(), tesselar::ConvertSynopsis().c_str());
        return 2;
    }
    QApplication application(argc, argv);
    tesselar::ConversionJob job;
    PrintedMessages messages;
    NoFolderDialog folderDialog;
    NoFileDialog fileDialog;
    RecordedEnd programEnd;
    tesselar::SystemClock clock;
    tesselar::PosixFileSystem files;
    tesselar::Tesselar window(job, {messages, folderDialog, fileDialog, programEnd, clock, files});
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fprintf(stderr, "the main window did not show\n");
        return 1;
    }

    SetText(window, "XAxysFile_TB", options.xFile);
    SetText(window, "YAxysFile_TB", options.yFile);
    for (const auto& [name, file] : options.attributes) {
        SetText(window, "AttribName_TB", name);
        SetText(window, "AttribFile_TB", file);
        Find<QPushButton>(window, "AddAttribute").click();
    }
    Find<QRadioButton>(window,
                       options.shapeType == tesselar::ShapeType::Point ? "Point_OB" : "Polygon_OB")
        .setChecked(true);
    SetText(window, "ShapeFolder_TB", options.shapeFolder);
    SetText(window, "ShapeFileName_TB", options.shapeFileName);
    Find<QPushButton>(window, "Command1").click();
    return programEnd.ended ? 0 : 1;
}
