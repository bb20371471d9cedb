// Saves pictures of the splash and About windows, for a look at their layout:
//     splash_about_screenshots OUTPUT_DIR
#include <QApplication>
#include <QDir>
#include <QTextStream>
#include <memory>

#include "forms/ProgramPictures.h"
#include "forms/frmAbout.h"
#include "forms/frmSplash.h"

namespace {

bool SavePicture(std::unique_ptr<QWidget> window, const QString& path) {
    window->show();
    QApplication::processEvents();
    if (window->grab().save(path)) {
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
    const bool splashSaved = SavePicture(std::make_unique<tesselar::FrmSplash>([] {}),
                                         out.filePath(QStringLiteral("splash.png")));
    const bool aboutSaved = SavePicture(std::make_unique<tesselar::FrmAbout>(),
                                        out.filePath(QStringLiteral("about.png")));
    return splashSaved && aboutSaved ? 0 : 1;
}
