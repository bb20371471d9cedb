#pragma once

#include "controls/shapefile/OutputFiles.h"
#include "conversion/Clock.h"
#include "forms/DesktopServices.h"
#include "forms/SignalEnd.h"

namespace tesselar {

// Application-modal boxes, centred over the active window.
class QtMessageBoxes final : public MessageBoxes {
public:
    void Show(const QString& text) override;
};

class QtFolderDialog final : public FolderDialog {
public:
    QString ChooseFolder(const QString& title) override;
};

class QtFileDialog final : public FileDialog {
public:
    QString ChooseFile(QWidget* owner, const QString& title, const QString& startFolder,
                       const QString& filter) override;
};

// Leaves the application's event loop, which closes the windows as main() returns.
class QuitApplication final : public ProgramEnd {
public:
    void EndProgram(int exitStatus) override;
};

// The real services of the desktop program, held together for the main window.
class QtDesktopServices {
public:
    TesselarServices Services() {
        return {messages_, folderDialog_, fileDialog_,         programEnd_,
                clock_,    files_,        signalEnd_.Request()};
    }
    // The status main() returns, given the event loop's: a signal's if one ended the program.
    int ExitStatus(int status) const { return signalEnd_.ExitStatus(status); }

private:
    SignalEnd signalEnd_;
    QtMessageBoxes messages_;
    QtFolderDialog folderDialog_;
    QtFileDialog fileDialog_;
    QuitApplication programEnd_;
    SystemClock clock_;
    PosixFileSystem files_{signalEnd_.Request()};
};

}  // namespace tesselar
