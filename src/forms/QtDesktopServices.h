#pragma once

#include "forms/DesktopServices.h"

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
    void EndProgram() override;
};

}  // namespace tesselar
