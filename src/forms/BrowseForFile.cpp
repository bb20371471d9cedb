#include "forms/BrowseForFile.h"

#include <QDir>

namespace tesselar {

namespace {

QString WithoutSurroundingBlanks(const QString& text) {
    qsizetype first = 0;
    qsizetype end = text.size();
    while (first < end && text.at(first) == u' ') {
        ++first;
    }
    while (end > first && text.at(end - 1) == u' ') {
        --end;
    }
    return text.sliced(first, end - first);
}

}  // namespace

bool BrowseForFile::PickFile(QWidget* owner, const QString& extension) {
    const QString filter = extension + " Files (*." + extension + ");;All files (*)";
    const QString chosen =
        dialog_.ChooseFile(owner, QStringLiteral("Select File"), QDir::currentPath(), filter);
    if (chosen.isEmpty()) {
        return false;
    }
    pickedFile_ = WithoutSurroundingBlanks(chosen);
    return true;
}

}  // namespace tesselar
