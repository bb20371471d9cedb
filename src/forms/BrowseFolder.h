#pragma once

#include <QString>

#include "forms/DesktopServices.h"

namespace tesselar {

// The destination folder picker.
class BrowseFolder {
public:
    explicit BrowseFolder(FolderDialog& dialog) : dialog_(dialog) {}

    // Shows the folder dialog, titled "Select Directory". Returns the chosen folder, or an
    // empty text when none was chosen, and keeps it as PickedFolder.
    QString PickFolder();

    const QString& PickedFolder() const { return pickedFolder_; }

private:
    FolderDialog& dialog_;
    QString pickedFolder_;
};

}  // namespace tesselar
