// Starts the program as a user would, waits until the splash window has handed over to the
// main window, and saves a picture of the main window: main_window_screenshot OUTPUT.png
#include <QApplication>
#include <QTimer>
#include <cstdio>

#include "controls/shapefile/OutputFiles.h"
#include "conversion/Clock.h"
#include "conversion/ConversionJob.h"
#include "forms/ProgramPictures.h"
#include "forms/QtDesktopServices.h"
#include "forms/Tesselar.h"

namespace {

constexpr int kPollMilliseconds = 100;
constexpr int kSettleMilliseconds = 500;
constexpr int kGiveUpMilliseconds = 10000;

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[1]);
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

    int status = 1;
    QTimer poll;
    poll.setInterval(kPollMilliseconds);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!window.isVisible()) {
            return;
        }
        poll.stop();
        QTimer::singleShot(kSettleMilliseconds, [&] {
            if (window.grab().save(output)) {
                status = 0;
            } else {
                std::fprintf(stderr, "cannot write %s\n", argv[1]);
            }
            QApplication::quit();
        });
    });
    poll.start();
    QTimer::singleShot(kGiveUpMilliseconds, [&] {
        std::fprintf(stderr, "the main window did not show\n");
        QApplication::quit();
    });
    QApplication::exec();
    return status;
}
