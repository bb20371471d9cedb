#pragma once

#include <QLabel>
#include <QWidget>
#include <initializer_list>
#include <vector>

namespace tesselar {

// One text panel of a StatusBar.
class StatusBarPanel : public QLabel {
    Q_OBJECT
public:
    enum class Bevel { None, Inset };

    explicit StatusBarPanel(QWidget* bar);

    // Shows `text` in place of what the panel showed. A changed text is painted at once, since
    // the program may be busy converting and not return to the event loop for a long while.
    void SetText(const QString& text);

    // The panel's left edge, from the bar's left edge, and its width, in twips.
    float Left() const;
    float Width() const;

    void SetBevel(Bevel bevel);
};

// A bar of text panels side by side, numbered from 1, each of a fixed width. The panels keep
// their widths whatever the bar's width; the room to their right stays empty.
class StatusBar : public QWidget {
    Q_OBJECT
public:
    // Panels of the given widths in twips, left to right, all empty and inset.
    StatusBar(QWidget* parent, std::initializer_list<int> panelWidths);

    // Panel `index`, counted from 1; throws IndexError for a number the bar lacks, which ends a
    // conversion like any other of its failures.
    StatusBarPanel& Panels(int index);

    // The bar's outer height in twips.
    float Height() const;

    // Places the bar along the bottom edge of its parent, across the parent's whole width,
    // keeping its height.
    void DockAtBottom();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    std::vector<StatusBarPanel*> panels_;
};

}  // namespace tesselar
