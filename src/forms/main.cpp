#include <QApplication>

#include "controls/shapefile/OutputFiles.h"
#include "conversion/Clock.h"
#include "conversion/ConversionJob.h"
#include "forms/ProgramPictures.h"
#include "forms/QtDesktopServices.h"
#include "forms/Tesselar.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setWindowIcon(tesselar::ProgramIcon());
    tesselar::ConversionJob job;
    tesselar::QtMessageBoxes messages;
    tesselar::QtFolderDialog folderDialog;
    tesselar::QtFileDialog fileDialog;
    tesselar::QuitApplication programEnd;
    tesselar::SystemClock clock;
    tesselar::PosixFileSystem files;
    tesselar::Tesselar window(job, {messages, folderDialog, fileDialog, programEnd, clock, files});
    return QApplication::exec();
}
