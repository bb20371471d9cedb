#include <gtest/gtest.h>

#include <QDir>
#include <QDragEnterEvent>
#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>

#include "gui/MainWindowFixture.h"

namespace tesselar::test {
namespace {

// What a path box answered to each step of a drag that ends in a drop.
struct DropAnswers {
    bool enter = false;
    bool move = false;
    bool drop = false;
    Qt::DropAction action = Qt::IgnoreAction;
};

// Drags `data` over the middle of `box` and drops it there, as from a file manager that offers
// to copy or move, the user holding Shift to ask for a move. The drop is sent even when the box
// refused the drag, so that the drop itself is judged too.
DropAnswers DragAndDrop(QLineEdit& box, const QMimeData& data,
                        Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction) {
    const QPointF middle = QRectF(box.rect()).center();
    DropAnswers answers;
    QDragEnterEvent enter(middle.toPoint(), offered, &data, Qt::LeftButton, Qt::ShiftModifier);
    QApplication::sendEvent(&box, &enter);
    answers.enter = enter.isAccepted();
    QDragMoveEvent move(middle.toPoint(), offered, &data, Qt::LeftButton, Qt::ShiftModifier);
    QApplication::sendEvent(&box, &move);
    answers.move = move.isAccepted();
    QDropEvent drop(middle, offered, &data, Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(drop.proposedAction(), Qt::MoveAction);
    QApplication::sendEvent(&box, &drop);
    answers.drop = drop.isAccepted();
    answers.action = drop.dropAction();
    return answers;
}

// The mime data of a file manager's drag: the URLs, and the same URLs as plain text.
void SetUrlsAsAFileManagerDoes(QMimeData& data, const QList<QUrl>& urls) {
    data.setUrls(urls);
    QStringList texts;
    for (const QUrl& url : urls) {
        texts << url.toString();
    }
    data.setText(texts.join(QStringLiteral("\r\n")));
}

using PathDropsTest = MainWindowTest;

// One local file dropped on a file box, or one local folder on the folder box, replaces the
// box's text with its local path and is copied, never moved. Anything else is refused and leaves
// the box as it was: several items, a folder on a file box or a file on the folder box, URLs that
// name no file of this machine, text that is no file at all, and a drag that can only move.
TEST_F(PathDropsTest, LocalFilesGiveTheirPathsAndAllElseIsRefused) {
    QTemporaryDir temporary;
    ASSERT_TRUE(temporary.isValid());
    const QDir model(temporary.path());
    ASSERT_TRUE(model.mkdir(QStringLiteral("out dir")) && model.mkdir(QStringLiteral("other")));
    const QString grid = model.filePath(QStringLiteral("grid x%.dat"));
    const QString values = model.filePath(QStringLiteral("s.dat"));
    for (const QString& path : {grid, values}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    }
    const QString folder = model.filePath(QStringLiteral("out dir"));
    const QString other = model.filePath(QStringLiteral("other"));
    const auto local = [](const QString& path) { return QUrl::fromLocalFile(path); };

    const QString before = QStringLiteral("typed before");
    const struct {
        const char* box;
        QList<QUrl> urls;  // empty: plain text only
        QString text;      // the plain text dragged when there are no URLs
        bool accepted;
        QString filled;  // the box after an accepted drop
    } drops[] = {
        {"XAxysFile_TB", {local(grid)}, {}, true, grid},
        {"YAxysFile_TB", {local(values)}, {}, true, values},
        {"AttribFile_TB", {local(values)}, {}, true, values},
        {"ShapeFolder_TB", {local(folder)}, {}, true, folder},
        {"XAxysFile_TB",
         {QUrl("file://localhost" + local(grid).path(QUrl::FullyEncoded))},
         {},
         true,
         grid},
        {"XAxysFile_TB", {local(folder)}, {}, false, {}},
        {"AttribFile_TB", {local(other)}, {}, false, {}},
        {"ShapeFolder_TB", {local(grid)}, {}, false, {}},
        {"XAxysFile_TB", {local(grid), local(values)}, {}, false, {}},
        {"ShapeFolder_TB", {local(folder), local(other)}, {}, false, {}},
        {"YAxysFile_TB", {QUrl(QStringLiteral("https://example.org/grid_y.dat"))}, {}, false, {}},
        {"YAxysFile_TB", {QUrl(QStringLiteral("file://server/share/grid_y.dat"))}, {}, false, {}},
        {"AttribFile_TB", {}, values, false, {}},
        {"ShapeFolder_TB", {}, folder, false, {}},
    };
    for (const auto& d : drops) {
        auto& box = Find<QLineEdit>(d.box);
        box.setText(before);
        QMimeData data;
        if (d.urls.isEmpty()) {
            data.setText(d.text);
        } else {
            SetUrlsAsAFileManagerDoes(data, d.urls);
        }
        const DropAnswers answers = DragAndDrop(box, data);
        const std::string what = std::string(d.box) + " <- " + data.text().toStdString();
        EXPECT_EQ(answers.enter, d.accepted) << what;
        EXPECT_EQ(answers.move, d.accepted) << what;
        EXPECT_EQ(answers.drop, d.accepted) << what;
        if (d.accepted) {
            EXPECT_EQ(answers.action, Qt::CopyAction) << what;
        }
        EXPECT_EQ(box.text(), d.accepted ? d.filled : before) << what;
    }

    // A drag that can only move is refused: the copy could not be asked for.
    auto& box = Find<QLineEdit>("XAxysFile_TB");
    box.setText(before);
    QMimeData data;
    SetUrlsAsAFileManagerDoes(data, {local(grid)});
    const DropAnswers moveOnly = DragAndDrop(box, data, Qt::MoveAction);
    EXPECT_FALSE(moveOnly.enter || moveOnly.move || moveOnly.drop);
    EXPECT_EQ(box.text(), before);
}

}  // namespace
}  // namespace tesselar::test
