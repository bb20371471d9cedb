// Starts the program as a user would, waits until the splash window has handed over to the
// main window, and saves a picture of the main window: main_window_screenshot OUTPUT.png
#include <QApplication>
#include <QTest>
#include <cstdio>

#include "conversion/ConversionJob.h"
#include "forms/ProgramPictures.h"
#include "forms/QtDesktopServices.h"
#include "forms/Tesselar.h"

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }
    QApplication application(argc, argv);
    QApplication::setWindowIcon(tesselar::ProgramIcon());
    tesselar::ConversionJob job;
    tesselar::QtDesktopServices services;
    tesselar::Tesselar window(job, services.Services());

    if (!QTest::qWaitFor([&window] { return window.isVisible(); }, 10000)) {
        std::fprintf(stderr, "the main window did not show\n");
        return 1;
    }
    QTest::qWait(500);  // until the window manager has drawn it
    if (!window.grab().save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
