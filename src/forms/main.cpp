#include <QApplication>

#include "conversion/ConversionJob.h"
#include "forms/ProgramPictures.h"
#include "forms/QtDesktopServices.h"
#include "forms/Tesselar.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setWindowIcon(tesselar::ProgramIcon());
    tesselar::ConversionJob job;
    tesselar::QtDesktopServices services;
    tesselar::Tesselar window(job, services.Services());
    return services.ExitStatus(QApplication::exec());
}
