#include "forms/QtDesktopServices.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

#include "conversion/Version.h"

namespace tesselar {

void QtMessageBoxes::Show(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(kApplicationTitle), text,
                    QMessageBox::Ok, QApplication::activeWindow());
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

// The folder dialog has no owner window, like the shell's folder browser it stands for.
QString QtFolderDialog::ChooseFolder(const QString& title) {
    QFileDialog dialog(nullptr, title);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

// The name typed need not exist: what the file holds is checked when it is read.
QString QtFileDialog::ChooseFile(QWidget* owner, const QString& title, const QString& startFolder,
                                 const QString& filter) {
    QFileDialog dialog(owner, title, startFolder, filter);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

void QuitApplication::EndProgram(int exitStatus) {
    QCoreApplication::exit(exitStatus);
}

}  // namespace tesselar
