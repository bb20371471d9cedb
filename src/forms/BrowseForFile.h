#pragma once

#include <QString>

#include "forms/DesktopServices.h"

class QWidget;

namespace tesselar {

// The input file picker, shared by the three file "Browse" buttons.
class BrowseForFile {
public:
    explicit BrowseForFile(FileDialog& dialog) : dialog_(dialog) {}

    // Shows the file dialog, titled "Select File", owned by `owner`, in the process's current
    // directory, offering first the files ending in "." + `extension`, then all files. Returns
    // whether the user chose a file; PickedFile then holds its path without surrounding blanks,
    // and keeps the last path chosen otherwise.
    bool PickFile(QWidget* owner, const QString& extension);

    const QString& PickedFile() const { return pickedFile_; }

private:
    FileDialog& dialog_;
    QString pickedFile_;
};

}  // namespace tesselar
