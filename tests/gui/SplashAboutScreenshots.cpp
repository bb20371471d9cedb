// Saves pictures of the splash and About windows, for a look at their layout:
//     splash_about_screenshots OUTPUT_DIR
#include <QApplication>
#include <QDir>
#include <QTextStream>

#include "forms/ProgramPictures.h"
#include "forms/frmAbout.h"
#include "forms/frmSplash.h"

namespace {

bool SavePicture(QWidget& window, const QString& path) {
    window.show();
    QApplication::processEvents();
    if (window.grab().save(path)) {
        return true;
    }
    QTextStream(stderr) << "cannot write " << path << '\n';
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: splash_about_screenshots OUTPUT_DIR\n";
        return 2;
    }
    QApplication::setWindowIcon(tesselar::ProgramIcon());
    const QDir out(QString::fromLocal8Bit(argv[1]));

    auto* splash = new tesselar::FrmSplash([] {});
    const bool splashSaved = SavePicture(*splash, out.filePath(QStringLiteral("splash.png")));
    delete splash;
    auto* about = new tesselar::FrmAbout;
    const bool aboutSaved = SavePicture(*about, out.filePath(QStringLiteral("about.png")));
    delete about;
    return splashSaved && aboutSaved ? 0 : 1;
}
