#pragma once

#include <QString>

#include "controls/shapefile/OutputFiles.h"
#include "conversion/Clock.h"
#include "conversion/StopRequest.h"

class QWidget;

namespace tesselar {

// The modal message boxes of the program: the text, one OK button, no icon, the application's
// title as caption. Returns once the user has dismissed the box.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual void Show(const QString& text) = 0;
};

// A dialog that lets the user choose a folder. Returns its path, or an empty text when the
// user cancels.
class FolderDialog {
public:
    virtual ~FolderDialog() = default;
    virtual QString ChooseFolder(const QString& title) = 0;
};

// A dialog that lets the user choose a file to open, owned by `owner`, starting in
// `startFolder` and offering the name filters of `filter`, separated by ";;", the first one
// chosen ("dat Files (*.dat);;All files (*)"). Returns the file's path, or an empty text when
// the user cancels.
class FileDialog {
public:
    virtual ~FileDialog() = default;
    virtual QString ChooseFile(QWidget* owner, const QString& title, const QString& startFolder,
                               const QString& filter) = 0;
};

// Ends the program with `exitStatus` once the current event handler returns, closing all its
// windows.
class ProgramEnd {
public:
    virtual ~ProgramEnd() = default;
    virtual void EndProgram(int exitStatus) = 0;
};

// What the main window reaches outside itself; tests give their own.
struct TesselarServices {
    MessageBoxes& messages;
    FolderDialog& folderDialog;
    FileDialog& fileDialog;
    ProgramEnd& programEnd;
    const Clock& clock;
    OutputFileSystem& files;
    // Whether a signal asks the conversion to stop.
    StopRequest stop = {};
};

}  // namespace tesselar
