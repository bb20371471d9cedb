#pragma once

#include <QObject>
#include <QString>

class QDropEvent;
class QLineEdit;

namespace tesselar {

// What a path box names.
enum class PathKind { File, Folder };

// Lets the user drop one local file, or one local folder, from a file manager onto a path box:
// the box then holds its local path in place of its text, and the drop is a copy, so the file
// manager never deletes the item. Every other drop is refused and leaves the box as it was:
// several items, a folder where a file is asked for or a file where a folder is, a URL that names
// no file of this machine, a drag that can only move, and plain text (a file manager's drag
// carries its URLs as text too, which the box would otherwise take as they are).
class PathDrops final : public QObject {
public:
    // Takes over `box`'s drops for as long as the box lives.
    static void Install(QLineEdit& box, PathKind kind);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    PathDrops(QLineEdit& box, PathKind kind);

    // The local path the drop gives, or an empty text when the drop is refused.
    QString DroppedPath(const QDropEvent& drop) const;

    QLineEdit& box_;
    PathKind kind_;
};

}  // namespace tesselar
