// Starts the program as a user would, waits until the splash window has handed over to the
// main window, and saves pictures of the main window, the splash and the About window:
//     screenshots MAIN_WINDOW.png   (splash.png and about.png go beside it)
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QTest>
#include <cstdio>

#include "conversion/ConversionJob.h"
#include "forms/ProgramPictures.h"
#include "forms/QtDesktopServices.h"
#include "forms/Tesselar.h"
#include "forms/frmAbout.h"
#include "forms/frmSplash.h"

namespace {

bool Save(QWidget& window, const QString& path) {
    window.show();
    QTest::qWait(500);  // until the window manager has drawn it
    if (window.grab().save(path)) {
        return true;
    }
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s MAIN_WINDOW.png\n", argv[0]);
        return 2;
    }
    QApplication application(argc, argv);
    QApplication::setWindowIcon(tesselar::ProgramIcon());
    const QString output = QString::fromLocal8Bit(argv[1]);
    const QDir folder = QFileInfo(output).dir();
    tesselar::ConversionJob job;
    tesselar::QtDesktopServices services;
    tesselar::Tesselar window(job, services.Services());
    if (!QTest::qWaitFor([&window] { return window.isVisible(); }, 10000)) {
        std::fprintf(stderr, "the main window did not show\n");
        return 1;
    }
    // The splash window closes and deletes itself after two seconds: it is shown for less.
    const QPointer<tesselar::FrmSplash> splash = new tesselar::FrmSplash([] {});
    tesselar::FrmAbout about;
    const bool saved = Save(window, output) &&
                       Save(*splash, folder.filePath(QStringLiteral("splash.png"))) &&
                       Save(about, folder.filePath(QStringLiteral("about.png")));
    delete splash;
    return saved ? 0 : 1;
}
