#include "forms/PathDrops.h"

#include <QDropEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>

namespace tesselar {

void PathDrops::Install(QLineEdit& box, PathKind kind) {
    box.installEventFilter(new PathDrops(box, kind));
}

PathDrops::PathDrops(QLineEdit& box, PathKind kind) : QObject(&box), box_(box), kind_(kind) {}

// The box's own handling would insert the drag's text, a "file://" URL, at the cursor; every
// step of a drag is answered here instead.
bool PathDrops::eventFilter(QObject* /*watched*/, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) {
        return false;
    }
    auto* drop = static_cast<QDropEvent*>(event);
    const QString path = DroppedPath(*drop);
    if (path.isEmpty()) {
        drop->ignore();
        return true;
    }
    // A move would let the file manager delete the user's file once it is dropped.
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    if (type == QEvent::Drop) {
        box_.setText(path);
    }
    return true;
}

// A file URL with a host other than "localhost" names a file of another machine, which
// toLocalFile() would turn into a "//host/..." path that names a different file here.
QString PathDrops::DroppedPath(const QDropEvent& drop) const {
    const QMimeData* data = drop.mimeData();
    if (data == nullptr || !drop.possibleActions().testFlag(Qt::CopyAction)) {
        return {};
    }
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1) {
        return {};
    }
    QUrl url = urls.constFirst();
    if (url.host() == QStringLiteral("localhost")) {
        url.setHost({});
    }
    if (!url.isLocalFile() || !url.host().isEmpty()) {
        return {};
    }
    const QString path = url.toLocalFile();
    if (QFileInfo(path).isDir() != (kind_ == PathKind::Folder)) {
        return {};
    }
    return path;
}

}  // namespace tesselar
