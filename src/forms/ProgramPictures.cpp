#include "forms/ProgramPictures.h"

// The pictures are compiled into a static library, and a static library's resources are only
// registered when something refers to them. Q_INIT_RESOURCE declares a function, so it has
// to be used outside any namespace.
static void RegisterPictures() {
    Q_INIT_RESOURCE(tesselar_pictures);
}

namespace tesselar {

QIcon ProgramIcon() {
    RegisterPictures();
    QIcon icon;
    icon.addFile(QStringLiteral(":/tesselar/tesselar-16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/tesselar/tesselar-32.png"), QSize(32, 32));
    return icon;
}

QPixmap LogoPicture() {
    RegisterPictures();
    return QPixmap(QStringLiteral(":/tesselar/logo.gif"));
}

}  // namespace tesselar
