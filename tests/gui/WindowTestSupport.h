#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QWidget>
#include <ostream>

// Texts as the user reads them in test failures.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace tesselar::test {

// Runs the deletions that windows asked for as they closed.
inline void RunDeferredDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Watches a widget's paints: how many it received and, for a progress bar, the value it showed
// in the last one, which is what the screen shows until the next.
class Paints : public QObject {
public:
    explicit Paints(QWidget& widget) : bar_(qobject_cast<QProgressBar*>(&widget)) {
        widget.installEventFilter(this);
    }
    int count = 0;
    int lastValue = -1;

protected:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++count;
            lastValue = bar_ != nullptr ? bar_->value() : -1;
        }
        return false;
    }

private:
    const QProgressBar* bar_;
};

// Every single-line label of `window` shows its whole text: a text wider than the label's
// designed width would be cut off.
inline void ExpectLabelTextsFit(const QWidget& window) {
    for (const QLabel* label : window.findChildren<QLabel*>()) {
        if (label->text().isEmpty() || label->wordWrap()) {
            continue;
        }
        const QFontMetrics metrics(label->font());
        EXPECT_LE(metrics.horizontalAdvance(label->text()), label->contentsRect().width())
            << label->objectName().toStdString() << " \"" << label->text().toStdString() << '"';
        EXPECT_LE(metrics.height(), label->contentsRect().height())
            << label->objectName().toStdString();
    }
}

}  // namespace tesselar::test
